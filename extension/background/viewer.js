// The viewer's start through the native messaging host, and what became of
// each document, told where it stands on the page.
"use strict";

// One request to the host and its reply; {} when the host cannot be reached.
async function startViewer(zqk) {
  try {
    return (await api.runtime.sendNativeMessage(NPZQK.host, { url: zqk.url, uid: zqk.uid })) ?? {};
  } catch {
    return {};
  }
}

// What became of a document, told where it stands on the page; a full-page
// document has no place, and only a failure to start it, or that it is held
// or waits, is told, at the top of its tab.
function show(tabId, zqk, state) {
  if (zqk.id !== undefined) {
    api.tabs.sendMessage(tabId, { kind: "state", id: zqk.id, state }, { frameId: zqk.frameId }).catch(() => {});
  } else if (["missing", "host", "refused", "held", "quiet", "blocked"].includes(state.status)) {
    api.tabs.sendMessage(tabId, { kind: "notice", document: zqk, state }, { frameId: 0 }).catch(() => {});
  }
}

function outcome(reply) {
  if (reply.started === true) return { status: "opened" };
  if (reply.started === false) return { status: "missing", caption: String(reply.caption), text: String(reply.text) };
  if (typeof reply.error === "string") return { status: "refused", error: reply.error };
  return { status: "host" };
}

async function open(tabId, documents) {
  for (const zqk of documents) {
    show(tabId, zqk, { status: "opening" });
    show(tabId, zqk, outcome(await startViewer(zqk)));
  }
}

// What a content script hands over, checked again here: a page's frame may
// hand only its own kinds of documents, and names each by a number of its own.
function checked(pageUrl, frameId, documents) {
  if (!Array.isArray(documents)) return [];
  return documents.filter((zqk) => {
    try {
      return typeof zqk.uid === "string" && Number.isSafeInteger(zqk.id) && NPZQK.mayHand(pageUrl, zqk.url) &&
        NPZQK.plainUrl(zqk.url) !== null;
    } catch {
      return false;
    }
  }).map((zqk) => ({ url: NPZQK.plainUrl(zqk.url), uid: zqk.uid, winclose: zqk.winclose === true, id: zqk.id,
                     frameId }));
}
