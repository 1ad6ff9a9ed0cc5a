// What reaches the background from the pages and the question's window,
// and where it goes; and the end of a tab, which takes its state along.
"use strict";

// Documents open at once, within the page's share, when every site whose
// leave they need is allowed (sites: the tab's page first, the site that
// hands them last); those of a blocked site are told so; the others wait
// for the user, who asks from the document's place (or by following a link
// to it). How they came: "found" on the page, "navigated" to by the page,
// or asked for by the user, whose own actions are never held.
async function offer(tabId, sites, documents, how) {
  if (documents.length === 0) return;
  const leave = await leaveFor(sites, await isPrivate(tabId));
  if (leave !== "allowed") {
    if (how === "found" || leave === "blocked") {
      for (const zqk of documents) show(tabId, zqk, { status: leave === "blocked" ? "blocked" : "waiting" });
    } else {
      await askUser(tabId, sites, documents, how === "user");
    }
    return;
  }
  const site = sites.at(-1);
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
  if (message.kind !== "documents" && message.kind !== "ask") return;
  const frameId = sender.frameId ?? 0;
  sitesAbove(tabId, frameId).then((above) => {
    const page = pageOf(sender, above);
    if (page === null) return;
    const how = message.kind === "ask" ? "user" : "found";
    const bySource = Map.groupBy(checked(page, frameId, message.documents),
                                 (zqk) => NPZQK.sourceOf(NPZQK.siteOf(page), zqk.url));
    for (const [source, documents] of bySource) offer(tabId, leaveOf(above, source), documents, how);
  });
});

// The address whose site a frame's documents are of: a frame without one of
// its own (about:blank, about:srcdoc) has the origin it inherits, as the
// browser tells it, or else its parent's site; never about:.
function pageOf(sender, above) {
  if (frameSite(sender.url) !== undefined) return sender.url;
  const inherited = sender.origin ?? above.at(-1);
  return inherited === undefined || inherited === "null" ? null : inherited;
}

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
