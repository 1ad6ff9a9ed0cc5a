// The sites whose documents open without a question: the user's own and
// the administrator's; and how many of its documents a page of each may
// open at once.
"use strict";

async function allowedSites() {
  const { sites = [] } = await api.storage.local.get("sites");
  return new Set([...sites.map(String), ...(await NPZQK.managedSites(api))]);
}

async function allowSite(site) {
  const { sites = [] } = await api.storage.local.get("sites");
  if (!sites.includes(site)) await api.storage.local.set({ sites: [...sites, site].sort() });
}

const kAtOnce = 4;

async function atOnceFor(site) {
  const given = (await NPZQK.managedAtOnce(api))[site];
  if (given === undefined) return kAtOnce;
  return given === 0 ? Infinity : given;
}
