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
async function waitQuietly(tabId, site, documents) {
  const waiting = await editSession("quiet", (quieted) => {
    const kept = quieted[tabId];
    if (kept === undefined) return null;
    kept.push(...documents.filter((zqk) => !kept.some((known) => known.site === site && sameDocument(known.zqk, zqk)))
      .map((zqk) => ({ site, zqk })));
    return kept;
  });
  if (waiting === null) return false;
  show(tabId, documents[0], { status: "quiet", count: waiting.length });
  return true;
}

// The user's click in that notice: each site's waiting documents are asked for.
async function askWaiting(tabId) {
  const waiting = await editSession("quiet", (quieted) => (quieted[tabId] ?? []).splice(0));
  const sites = new Set(waiting.map((kept) => kept.site));
  for (const site of sites) {
    await askUser(tabId, site, waiting.filter((kept) => kept.site === site).map((kept) => kept.zqk), true);
  }
}

// The user's own navigation of the tab, or its end: the page may ask
// again, in the quiet tabs' record.
function hearAgain(quieted, tabId) {
  delete quieted[tabId];
}
