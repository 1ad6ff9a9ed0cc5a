// After a "Not now", the page asks no more by itself until the user's own
// navigation of the tab: what it tries waits in the notice at the top of the
// tab, which counts it and asks on the user's click.
"use strict";

function quiet(tabId) {
  return editSession("quiet", (quieted) => {
    quieted[tabId] ??= [];
  });
}

// Whether the documents wait, the tab being quiet; they are told so.
async function waitQuietly(tabId, sites, documents) {
  const waiting = await editSession("quiet", (quieted) => {
    const kept = quieted[tabId];
    if (kept === undefined) return null;
    kept.push(...documents.filter((zqk) => !kept.some((known) => sameSites(known.sites, sites) &&
                                                                 sameDocument(known.zqk, zqk)))
      .map((zqk) => ({ sites, zqk })));
    return kept;
  });
  if (waiting === null) return false;
  show(tabId, documents[0], { status: "quiet", count: waiting.length });
  return true;
}

// The user's click in that notice: the waiting documents are asked for,
// those needing the same sites' leave together.
async function askWaiting(tabId) {
  const waiting = await editSession("quiet", (quieted) => (quieted[tabId] ?? []).splice(0));
  for (const same of Map.groupBy(waiting, (kept) => kept.sites.join(" ")).values()) {
    await askUser(tabId, same[0].sites, same.map((kept) => kept.zqk), true);
  }
}

// The user's own navigation of the tab, or its end: the page may ask
// again, in the quiet tabs' record.
function hearAgain(quieted, tabId) {
  delete quieted[tabId];
}
