// What reaches the background from the pages and the question's window,
// and where it goes; and the end of a tab, which takes its state along.
"use strict";

// Documents from an allowed site open at once, within the page's share; the
// others wait for the user, who asks from the document's place (or by
// following a link to it). How they came: "found" on the page, "navigated"
// to by the page, or asked for by the user, whose own actions are never held.
async function offer(tabId, site, documents, how) {
  if (documents.length === 0) return;
  if (!(await allowedSites()).has(site)) {
    if (how === "found") {
      for (const zqk of documents) show(tabId, zqk, { status: "waiting" });
    } else {
      await askUser(tabId, site, documents, how === "user");
    }
    return;
  }
  const now = how === "user" ? documents : await withinShare(tabId, site, documents);
  await hold(tabId, documents.filter((zqk) => !now.includes(zqk)));
  await open(tabId, now);
}

const kAskPage = api.runtime.getURL("ask.html");

api.runtime.onMessage.addListener((message, sender) => {
  // Only the extension's own window answers a question.
  if (message.kind === "answer" && sender.id === api.runtime.id && sender.url?.split("#")[0] === kAskPage) {
    answer(sender, String(message.question), String(message.choice));
    return;
  }
  const tabId = sender.tab?.id;
  if (tabId === undefined || typeof sender.url !== "string" || sender.url.startsWith(kAskPage)) return;
  // The user's click on a held document: the tab's held ones open.
  if (message.kind === "release") takeHeld(tabId).then((documents) => open(tabId, documents));
  // The user's click in the notice of what waits after a "Not now": asked.
  if (message.kind === "recall") askWaiting(tabId);
  const documents = checked(sender.url, sender.frameId ?? 0, message.documents);
  if (message.kind === "documents") offer(tabId, NPZQK.siteOf(sender.url), documents, "found");
  if (message.kind === "ask") offer(tabId, NPZQK.siteOf(sender.url), documents, "user");
});

api.tabs.onRemoved.addListener((tabId) => {
  dropQuestion((asked) => asked.tabId === tabId);
  takeHeld(tabId);
  editSession(["starts", "quiet", "shown"], (starts, quieted, shown) => {
    startAfresh(starts, tabId);
    hearAgain(quieted, tabId);
    delete shown[tabId];
  });
});
api.tabs.onUpdated.addListener((tabId, change) => {
  if (change.status !== "loading") return;
  dropQuestion((asked) => asked.tabId === tabId && asked.documents.every((zqk) => zqk.id !== undefined));
});
