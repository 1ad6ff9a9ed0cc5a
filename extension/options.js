// Where this computer stands, as npzqk-host.exe tells it: the extension's
// version and the program's, and the viewer; then the allowed sites, the
// user's own removable here, and those the administrator set, shown as such.
"use strict";

const api = globalThis.browser ?? globalThis.chrome;
const kExtensionVersion = api.runtime.getManifest().version;

// ---- The status: the one request to the host that starts nothing, sent
// from this page alone, when it opens and on "Check again".

// The host's answer, or null when it cannot be reached.
async function hostStatus() {
  try {
    return (await api.runtime.sendNativeMessage(NPZQK.host, { status: true })) ?? null;
  } catch {
    return null;
  }
}

function problem(caption, told) {
  const box = document.createElement("div");
  box.className = "problem";
  const heading = document.createElement("strong");
  heading.textContent = caption;
  box.append(heading, NPZQK.linked(told));
  return box;
}

function plain(text) {
  const paragraph = document.createElement("p");
  paragraph.textContent = text;
  return paragraph;
}

// What the host's answer says of it, and of the viewer. A host older than
// the status request refuses it, as it refuses any request without a document.
function statusParts(reply) {
  if (reply === null || (typeof reply.version !== "string" && typeof reply.error !== "string")) {
    return { host: [problem(NPZQK.text("hostMissingCaption"), NPZQK.text("hostMissing"))],
             viewer: [plain(NPZQK.text("viewerUnknown"))] };
  }
  if (typeof reply.version !== "string") {
    return { host: [problem(NPZQK.text("hostOlderCaption"), NPZQK.text("hostOlder"))],
             viewer: [plain(NPZQK.text("viewerUnknown"))] };
  }
  const host = [plain(NPZQK.text("versionOf", reply.version))];
  if (reply.version !== kExtensionVersion) host.push(plain(NPZQK.text("versionsDiffer")));
  const viewer = typeof reply.viewer === "string" ? [plain(reply.viewer)]
                                                  : [problem(String(reply.caption), String(reply.text))];
  return { host, viewer };
}

async function checkStatus() {
  const status = document.getElementById("status");
  status.setAttribute("aria-busy", "true");
  document.getElementById("host").replaceChildren(plain(NPZQK.text("checking")));
  document.getElementById("viewer").replaceChildren();
  const { host, viewer } = statusParts(await hostStatus());
  document.getElementById("host").replaceChildren(...host);
  document.getElementById("viewer").replaceChildren(...viewer);
  status.setAttribute("aria-busy", "false");
}

// ---- The allowed sites, with the share the administrator set for any.

function note(row, text) {
  const told = document.createElement("em");
  told.textContent = text;
  row.append(told);
}

// A site or pattern: the share the administrator set for it; the
// administrator's marked as such (or as not understood, and so ignored),
// the user's own removable, and marked as not used where the administrator
// has turned them off.
function siteRow(site, { managed, atOnce, ownOff }) {
  const row = document.createElement("li");
  const name = document.createElement("span");
  name.textContent = site;
  row.append(name);
  if (atOnce[site] !== undefined) {
    note(row, atOnce[site] === 0 ? NPZQK.text("atOnceAll") : NPZQK.text("atOnce", atOnce[site]));
  }
  if (managed) {
    note(row, NPZQK.text(sitePattern(site) === null ? "notUnderstood" : "setByAdministrator"));
    return row;
  }
  if (ownOff) note(row, NPZQK.text("notUsed"));
  const remove = document.createElement("button");
  remove.type = "button";
  remove.textContent = NPZQK.text("remove");
  remove.setAttribute("aria-label", NPZQK.text("removeLabel", site));
  remove.addEventListener("click", async () => {
    const { sites = [] } = await api.storage.local.get("sites");
    await api.storage.local.set({ sites: sites.filter((kept) => kept !== site) });
  });
  row.append(remove);
  return row;
}

function render(sites, policy) {
  const shown = { atOnce: policy.openAtOnce, ownOff: !policy.userMayAllow };
  const list = document.getElementById("sites");
  list.replaceChildren(...policy.allowedSites.map((site) => siteRow(site, { ...shown, managed: true })),
                       ...sites.filter((site) => !policy.allowedSites.includes(site))
                         .map((site) => siteRow(site, { ...shown, managed: false })));
  document.getElementById("none").hidden = list.children.length > 0;
  document.getElementById("own-off").hidden = policy.userMayAllow;
  const blocked = document.getElementById("blocked");
  blocked.replaceChildren(...policy.blockedSites.map((site) => siteRow(site, { ...shown, atOnce: {}, managed: true })));
  document.getElementById("blocked-sites").hidden = blocked.children.length === 0;
}

// The user's own sites at once; the administrator's join them when the
// browser has read its policies, which can take seconds after it starts.
let policy = { allowedSites: [], blockedSites: [], userMayAllow: true, openAtOnce: {} };
async function show() {
  const { sites = [] } = await api.storage.local.get("sites");
  render(sites, policy);
  policy = await NPZQK.managedPolicy(api);
  render(sites, policy);
}

NPZQK.translate(document);
document.getElementById("extension-version").textContent = NPZQK.text("versionOf", kExtensionVersion);
document.getElementById("check").addEventListener("click", checkStatus);
api.storage.onChanged.addListener(show);
show();
checkStatus();
