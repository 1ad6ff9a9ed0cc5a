// Chromium's service worker: the background's scripts, in the order the
// manifest lists them for Firefox's event page, which runs them as they are.
"use strict";

importScripts(...chrome.runtime.getManifest().background.scripts);
