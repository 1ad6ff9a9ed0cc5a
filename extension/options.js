// The allowed sites: the user's own, removable here, and those the
// administrator set, shown as such.
"use strict";

const api = globalThis.browser ?? globalThis.chrome;

function siteRow(site, managed) {
  const row = document.createElement("li");
  const name = document.createElement("span");
  name.textContent = site;
  row.append(name);
  if (managed) {
    const note = document.createElement("em");
    note.textContent = NPZQK.text("setByAdministrator");
    row.append(note);
  } else {
    const remove = document.createElement("button");
    remove.type = "button";
    remove.textContent = NPZQK.text("remove");
    remove.setAttribute("aria-label", NPZQK.text("removeLabel", site));
    remove.addEventListener("click", async () => {
      const { sites = [] } = await api.storage.local.get("sites");
      await api.storage.local.set({ sites: sites.filter((kept) => kept !== site) });
    });
    row.append(remove);
  }
  return row;
}

function render(sites, managed) {
  const list = document.getElementById("sites");
  list.replaceChildren(...managed.map((site) => siteRow(site, true)),
                       ...sites.filter((site) => !managed.includes(site)).map((site) => siteRow(site, false)));
  document.getElementById("none").hidden = list.children.length > 0;
}

// The user's own sites at once; the administrator's join them when the
// browser has read its policies, which can take seconds after it starts.
let managedSites = [];
async function show() {
  const { sites = [] } = await api.storage.local.get("sites");
  render(sites, managedSites);
  managedSites = await NPZQK.managedSites(api);
  render(sites, managedSites);
}

NPZQK.translate(document);
api.storage.onChanged.addListener(show);
show();
