// A page's own starts, bounded: the first few of a tab's documents from a
// site open at once, and one more for each quarter of a minute since; the
// rest are held, and wait for the user's click on any of them. The user's
// own navigation of the tab starts afresh.
"use strict";

const kOneMoreEvery = 15000;

// Of the documents, those the tab may open now; it may no longer once any are held.
async function withinShare(tabId, site, documents) {
  const limit = await atOnceFor(site);
  const now = Date.now();
  return editSession(["held", "starts"], (held, starts) => {
    if ((held[tabId] ?? []).length > 0) return [];
    const key = `${tabId} ${site}`;
    const was = starts[key] ?? { spent: 0, at: now };
    const regained = Math.floor((now - was.at) / kOneMoreEvery);
    const spent = Math.max(0, was.spent - regained);
    const taken = documents.slice(0, Math.max(0, Math.min(documents.length, limit - spent)));
    starts[key] = { spent: spent + taken.length, at: regained > 0 ? now : was.at };
    return taken;
  });
}

// The tab's share whole again, in the starts' record.
function startAfresh(starts, tabId) {
  for (const key of Object.keys(starts)) if (key.startsWith(`${tabId} `)) delete starts[key];
}

// Holds the documents, and tells each held one of the tab how many wait.
async function hold(tabId, documents) {
  if (documents.length === 0) return;
  const waiting = await editSession("held", (held) => {
    const kept = held[tabId] ?? [];
    kept.push(...documents.filter((zqk) => !kept.some((known) => sameDocument(known, zqk))));
    held[tabId] = kept;
    return kept;
  });
  for (const zqk of waiting) show(tabId, zqk, { status: "held", count: waiting.length });
}

// The held documents of the tab, taken to open, or those the page no longer shows, dropped.
function takeHeld(tabId, which = () => true) {
  return editSession("held", (held) => {
    const taken = [];
    const kept = [];
    for (const zqk of held[tabId] ?? []) (which(zqk) ? taken : kept).push(zqk);
    if (kept.length > 0) held[tabId] = kept;
    else delete held[tabId];
    return taken;
  });
}
