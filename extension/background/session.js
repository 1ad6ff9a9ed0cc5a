// The background's state that outlasts Chromium's service worker and
// Firefox's event page: the session's storage, changed one change at a
// time. Chromium runs the background scripts as a service worker, Firefox as
// an event page, in the manifest's order; they share one global scope.
"use strict";

const api = globalThis.browser ?? globalThis.chrome;
const kFirefox = typeof api.runtime.getBrowserInfo === "function";

let editing = Promise.resolve();

// Changes records of the session's storage (the open questions, the pages'
// starts, the held documents, ...) one change at a time: change receives
// each record named, in order, and what it returns (or its promise gives)
// is returned. A change that waits holds back those queued after it.
function editSession(names, change) {
  const list = [].concat(names);
  const edited = editing.then(async () => {
    const stored = await api.storage.session.get(list);
    const records = list.map((name) => stored[name] ?? {});
    const result = await change(...records);
    await api.storage.session.set(Object.fromEntries(list.map((name, index) => [name, records[index]])));
    return result;
  });
  editing = edited.catch(() => {});
  return edited;
}

// Keeps a value in a record held in memory (a Map), under its key, as the
// newest; beyond 64, the oldest is forgotten.
function remember(record, key, value) {
  record.delete(key);
  record.set(key, value);
  if (record.size > 64) record.delete(record.keys().next().value);
}

function sameDocument(a, b) {
  return a.url === b.url && a.uid === b.uid && a.id === b.id && a.frameId === b.frameId;
}

function sameSites(a, b) {
  return a.join(" ") === b.join(" ");
}
