// The sites whose documents open without a question: the administrator's,
// the user's own, and, in private windows only, those the user allowed there
// until the last private window closes; those the administrator blocks;
// whose leave a frame's documents need; and how many of its documents a
// page of each may open at once.
"use strict";

async function userSites(incognito) {
  const { sites = [] } = await api.storage.local.get("sites");
  const { privateSites = {} } = incognito ? await api.storage.session.get("privateSites") : {};
  return new Set([...sites.map(String), ...Object.keys(privateSites)]);
}

// What the documents that need these sites' leave may do: "blocked" where
// the administrator blocks any of them (and does not allow it, which makes
// the exception), "allowed" where each is allowed by the administrator or,
// unless the administrator says otherwise, by the user; else "ask".
async function leaveFor(sites, incognito) {
  const policy = await NPZQK.managedPolicy(api);
  const own = policy.userMayAllow ? await userSites(incognito) : new Set();
  const administrators = (site) => bestMatch(policy.allowedSites, site) !== undefined;
  if (sites.some((site) => !administrators(site) && bestMatch(policy.blockedSites, site) !== undefined)) {
    return "blocked";
  }
  return sites.every((site) => administrators(site) || own.has(site)) ? "allowed" : "ask";
}

// A private window's allowance is kept in memory, never where ordinary
// windows, the options page or a later session would find it.
async function allowSite(site, incognito) {
  if (incognito) {
    await editSession("privateSites", (kept) => {
      kept[site] = true;
    });
    return;
  }
  const { sites = [] } = await api.storage.local.get("sites");
  if (!sites.includes(site)) await api.storage.local.set({ sites: [...sites, site].sort() });
}

function isPrivate(tabId) {
  return api.tabs.get(tabId).then((tab) => tab.incognito === true, () => false);
}

// The last private window closed: what was allowed there goes, as the
// browsers' own permissions do.
api.windows.onRemoved.addListener(async () => {
  const windows = await api.windows.getAll();
  if (windows.some((window) => window.incognito)) return;
  await editSession("privateSites", (kept) => {
    for (const site of Object.keys(kept)) delete kept[site];
  });
});

// A frame's site by its address: about:blank and about:srcdoc have their
// parent's (undefined); an address of no site (data:, blob:) has "null",
// which nobody allows.
function frameSite(url) {
  if (url === "" || /^about:(blank|srcdoc)\b/.test(url)) return undefined;
  try {
    if (["http:", "https:", "file:"].includes(new URL(url).protocol)) return NPZQK.siteOf(url);
  } catch {
    // no address at all
  }
  return "null";
}

// The sites of the frames above a frame (whose parent may be given, for a
// frame not yet known), the tab's page first, as the browser tells them; a
// frame it does not know stands for "null".
async function sitesAbove(tabId, frameId, parentFrameId = -2) {
  if (frameId === 0) return [];
  const frames = (await api.webNavigation.getAllFrames({ tabId }).catch(() => null)) ?? [];
  const byId = new Map(frames.map((frame) => [frame.frameId, frame]));
  const sites = [];
  for (let id = byId.get(frameId)?.parentFrameId ?? parentFrameId; id !== -1 && sites.length < 64;) {
    const frame = byId.get(id);
    if (frame === undefined) return ["null"];
    sites.unshift(frameSite(frame.url));
    id = frame.parentFrameId;
  }
  return sites.filter((site) => site !== undefined);
}

// Whose leave documents need: the tab's page, every frame between, and the
// site that hands them (the last); a site repeated next to itself counts once.
function leaveOf(sitesAboveIt, site) {
  return [...sitesAboveIt, site].filter((each, index, all) => index === 0 || each !== all[index - 1]);
}

const kAtOnce = 4;

// The site's own entry, else the longest pattern that names it.
async function atOnceFor(site) {
  const counts = (await NPZQK.managedPolicy(api)).openAtOnce;
  const given = counts[bestMatch(Object.keys(counts), site)];
  if (given === undefined) return kAtOnce;
  return given === 0 ? Infinity : given;
}
