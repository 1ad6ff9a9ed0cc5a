// The question, in a window of the extension's own: the page can neither
// draw in it, nor read it, nor reach it. One window per tab and site; its
// state lives in the session's storage, which outlasts the background.
"use strict";

function editQuestions(change) {
  return editSession("questions", change);
}

// Where the question's window opens: over the top of the tab's window.
async function placement(windowId) {
  const width = 500;
  const height = 280;
  const parent = windowId === undefined ? null : await api.windows.get(windowId).catch(() => null);
  if (parent === null || parent.left === undefined) return { width, height };
  return { width, height, left: parent.left + Math.max(0, Math.round((parent.width - width) / 2)),
           top: parent.top + 80 };
}

// Whose leave documents need where the browser cannot tell who started a
// navigation: the tab's page's; where the tab shows no page of the web or of
// the computer, or is gone, the document's own, for this time only.
function pageAsks(tab, zqk) {
  for (const [url, once] of [[tab?.url, false], [zqk.url, true]]) {
    try {
      return { sites: [NPZQK.siteOf(url)], once };
    } catch {
      // no site there
    }
  }
  return null;
}

// Asks for documents that need the leave of the sites given, the tab's page
// first; sites of null are the page's, as above. No document goes untold: a
// tab the browser no longer knows is asked for this time only. What a page
// asks for by itself, after the user said "Not now" in its tab, waits.
async function askUser(tabId, given, documents, byUser) {
  const tab = tabId < 0 ? null : await api.tabs.get(tabId).catch(() => null);
  const asks = given === null ? pageAsks(tab, documents[0]) : { sites: given, once: tab === null };
  if (asks === null) return;
  const { sites } = asks;
  const incognito = tab?.incognito === true;
  if ((await leaveFor(sites, incognito)) === "blocked") {
    for (const zqk of documents) show(tabId, zqk, { status: "blocked" });
    return;
  }
  if (!byUser && (await waitQuietly(tabId, sites, documents))) return;
  for (const zqk of documents) show(tabId, zqk, { status: "asking" });
  const { userMayAllow: mayAllow } = await NPZQK.managedPolicy(api);
  const { question, isNew } = await editQuestions((questions) => {
    const open = Object.values(questions).find((asked) => asked.tabId === tabId && sameSites(asked.sites, sites));
    if (open !== undefined) {
      open.documents.push(...documents.filter((zqk) => !open.documents.some((known) => sameDocument(known, zqk))));
      open.raised += 1;
      return { question: open, isNew: false };
    }
    const made = { id: crypto.randomUUID(), tabId, sites, incognito, mayAllow: mayAllow && !asks.once, documents,
                   windowId: null, raised: 0 };
    questions[made.id] = made;
    return { question: made, isNew: true };
  });
  if (!isNew) {
    api.windows.update(question.windowId, { focused: true }).catch(() => {});
    return;
  }
  // Firefox opens it as a private window for a private tab; Chromium keeps
  // an extension's pages out of incognito windows.
  const made = await api.windows.create({ url: `ask.html#${question.id}`, type: "popup",
                                           ...(kFirefox && tab?.incognito ? { incognito: true } : {}),
                                           ...(await placement(tab?.windowId)) });
  await editQuestions((questions) => {
    if (questions[question.id] !== undefined) questions[question.id].windowId = made.id;
  });
}

// The user's answer, or "not now" when the window was closed, which quiets
// the tab's page. A frame of another site is allowed this time only, and
// so is every site where the administrator keeps users from allowing any.
async function settle(question, choice) {
  const { page, frame } = NPZQK.askers(question.sites);
  if (choice === "always" && frame === null && question.mayAllow) await allowSite(page, question.incognito);
  if (choice === "once" || choice === "always") {
    await open(question.tabId, question.documents);
  } else {
    await quiet(question.tabId);
    for (const zqk of question.documents) show(question.tabId, zqk, { status: "declined" });
  }
}

// Takes a question away once, whoever asks first: its answer or its window's end.
function takeQuestion(matches) {
  return editQuestions((questions) => {
    const found = Object.values(questions).find(matches);
    if (found !== undefined) delete questions[found.id];
    return found;
  });
}

async function answer(sender, id, choice) {
  const question = await takeQuestion((asked) => asked.id === id && asked.windowId === sender.tab?.windowId);
  if (question === undefined) return;
  api.windows.remove(question.windowId).catch(() => {});
  await settle(question, ["once", "always"].includes(choice) ? choice : "not now");
}

api.windows.onRemoved.addListener(async (windowId) => {
  const question = await takeQuestion((asked) => asked.windowId === windowId);
  if (question !== undefined) await settle(question, "not now");
});

// A question goes with its tab, and with the page that holds its documents.
async function dropQuestion(matches) {
  const question = await takeQuestion(matches);
  if (question !== undefined) api.windows.remove(question.windowId).catch(() => {});
}
