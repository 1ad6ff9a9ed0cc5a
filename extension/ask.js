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

function render(question) {
  const site = NPZQK.siteName(question.site);
  const count = question.documents.length === 1 ? "a zqk document" : `${question.documents.length} zqk documents`;
  const heading = document.getElementById("question");
  const name = document.createElement("strong");
  name.textContent = site;
  heading.replaceChildren(name, ` wants to open ${count} in TarvikViewer.`);
  document.title = `NPZqk: ${site}`;
  const where = document.getElementById("where");
  where.hidden = question.page === question.site;
  where.textContent = `It is in a frame of a page from ${NPZQK.siteName(question.page)}.`;
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
document.querySelector("main").focus();
load();
