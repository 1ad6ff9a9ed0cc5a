// An <embed> or <object> whose type neither the page nor its address's
// ending tells: the browser fetches it, and the server's answer decides, as
// it did for the plug-in. A zqk response is stopped before anything of it is
// saved (Firefox here; Chromium, which gives this extension no blocking
// listener, stops the download it becomes) and the frame that holds the
// element told, which then hands it as one of its documents.
"use strict";

const objectRequests = new Map(); // request -> the address the element names, before any redirect

api.webRequest.onBeforeRequest.addListener((details) => {
  remember(objectRequests, details.requestId, details.url);
}, { urls: ["http://*/*", "https://*/*"], types: ["object"] });

// The frame that holds the element: the request's own in Firefox; in
// Chromium, where an <embed> or <object> is a frame of its own, its parent.
// Its script may not be listening yet: told again for a few seconds.
async function tellServed({ tabId, frameId, parentFrameId }, url) {
  const frames = [frameId, parentFrameId].filter((id) => id >= 0);
  for (let tries = 0; tries < 20; tries += 1) {
    for (const id of frames) {
      if (await api.tabs.sendMessage(tabId, { kind: "served", url }, { frameId: id }).catch(() => false)) return;
    }
    await new Promise((resolve) => setTimeout(resolve, 200));
  }
}

api.webRequest.onHeadersReceived.addListener((details) => {
  if (details.tabId < 0 || !isZqkResponse(details)) return {};
  tellServed(details, objectRequests.get(details.requestId) ?? details.url);
  return kFirefox ? { cancel: true } : {};
}, { urls: ["http://*/*", "https://*/*"], types: ["object"] },
kFirefox ? ["blocking", "responseHeaders"] : ["responseHeaders"]);
