// The question whether a site may start TarvikViewer, in the extension's own
// window: no page can draw in it, read it or reach it. Like the browsers' own
// permission prompts, it acts only on a press that begins after it has been
// in view for a moment, and never on a double click, presses in quick
// succession or a held key: a pointer or key already busy when it appeared
// cannot answer it. "Not now" and Escape are never held back.
"use strict";

const api = globalThis.browser ?? globalThis.chrome;
const questionId = location.hash.slice(1);
// The browsers' own figures: Chromium's permission prompts ignore input for
// 500 ms after they show, Firefox enables its dialogs' buttons after 1000 ms.
const kDelay = typeof api.runtime.getBrowserInfo === "function" ? 1000 : 500;
const kHurried = 500; // pointer presses closer together than this are one gesture
const grants = [document.getElementById("once"), document.getElementById("always")];

let armedAt = Infinity; // from when presses count
let armTimer = 0;
let pressCounts = false; // whether the last press may answer
let lastPointerAt = -Infinity;
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
  }, kDelay);
}

function press(event) {
  let hurried = event.repeat;
  if (event.type === "pointerdown") {
    hurried = event.timeStamp - lastPointerAt < kHurried;
    lastPointerAt = event.timeStamp;
  }
  pressCounts = event.isTrusted && event.timeStamp >= armedAt && !hurried;
}

function answer(choice) {
  if (answered) return;
  answered = true;
  disarm();
  api.runtime.sendMessage({ kind: "answer", question: questionId, choice });
}

function decide(choice) {
  return (event) => {
    if (!event.isTrusted || event.detail > 1 || !pressCounts) return;
    pressCounts = false;
    answer(choice);
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

window.addEventListener("pointerdown", press, true);
window.addEventListener("keydown", press, true);
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
