// The question whether a site may start TarvikViewer, in the extension's own
// window: no page can draw in it, read it or reach it. Like the browsers' own
// permission prompts, it acts only on a press that begins after it has been
// in view for a moment, and never on a double click, presses in quick
// succession or a held key: a pointer or key already busy when it appeared
// cannot answer it. "Not now" and Escape are never held back.
"use strict";

const api = globalThis.browser ?? globalThis.chrome;
const questionId = location.hash.slice(1);
const grants = [document.getElementById("once"), document.getElementById("always")];

let armedAt = Infinity; // from when presses count
let armTimer = 0;
const presses = NPZQK.presses(() => armedAt);
let shownRaise = null;
let answered = false;

function disarm() {
  clearTimeout(armTimer);
  armedAt = Infinity;
  for (const button of grants) button.disabled = true;
}

function arm() {
  disarm();
  if (document.visibilityState !== "visible" || answered) return;
  armTimer = setTimeout(() => {
    armedAt = performance.now();
    for (const button of grants) button.disabled = false;
  }, NPZQK.delay);
}

function answer(choice) {
  if (answered) return;
  answered = true;
  disarm();
  api.runtime.sendMessage({ kind: "answer", question: questionId, choice });
}

function decide(choice) {
  return (event) => {
    if (presses.take(event)) answer(choice);
  };
}

// The tab's site asks, and stands out; a frame of another site that hands
// the documents is named second, and may be allowed this time only. In a
// private window the user's leave lasts until its private windows close.
function render(question) {
  const { page, frame } = NPZQK.askers(question.sites);
  const site = NPZQK.siteName(page);
  const count = question.documents.length;
  const marker = "\u{F8FF}";
  const [before, after] = (count === 1 ? NPZQK.text("questionOne", marker)
                                       : NPZQK.text("questionMany", marker, count)).split(marker);
  const name = document.createElement("strong");
  name.textContent = site;
  document.getElementById("question").replaceChildren(before, name, after ?? "");
  document.title = NPZQK.text("questionTitle", site);
  const where = document.getElementById("where");
  where.hidden = frame === null;
  where.textContent = frame === null ? "" : NPZQK.text("fromFrameOf", NPZQK.siteName(frame));
  const always = document.getElementById("always");
  always.hidden = frame !== null || !question.mayAllow;
  always.textContent = NPZQK.text(question.incognito ? "openWhilePrivate" : "openAlways");
  document.getElementById("documents").replaceChildren(...question.documents.map((zqk) => {
    const item = document.createElement("li");
    item.textContent = zqk.url;
    return item;
  }));
  // Brought forward again, or changed: the delay starts over.
  if (question.raised !== shownRaise) {
    shownRaise = question.raised;
    arm();
  }
}

async function load() {
  const { questions = {} } = await api.storage.session.get("questions");
  const question = questions[questionId];
  if (question === undefined) {
    window.close();
    return;
  }
  render(question);
}

window.addEventListener("pointerdown", presses.press, true);
window.addEventListener("keydown", presses.press, true);
window.addEventListener("keydown", (event) => {
  if (event.key === "Escape" && event.isTrusted) answer("not now");
});
document.addEventListener("visibilitychange", arm);
window.addEventListener("resize", arm);
document.getElementById("once").addEventListener("click", decide("once"));
document.getElementById("always").addEventListener("click", decide("always"));
document.getElementById("not-now").addEventListener("click", (event) => {
  if (event.isTrusted) answer("not now");
});
api.storage.onChanged.addListener((changes, area) => {
  const question = area === "session" ? changes.questions?.newValue?.[questionId] : undefined;
  if (question !== undefined && !answered) render(question);
});
NPZQK.translate(document);
document.querySelector("main").focus();
load();
