// What the content scripts and the background share: which documents are zqk
// documents, and which a page may hand to the viewer.
"use strict";

const NPZQK = {
  host: "com.quendrix.npzqk",
  types: ["application/x-zqk", "application/x-zqk-v2"],

  // A MIME type as a page or a server gives it: without case or parameters.
  isZqkType(type) {
    return NPZQK.types.includes(String(type).split(";")[0].trim().toLowerCase());
  },

  // An http or https page may hand http and https documents; a file: page
  // may also hand file: ones. No other scheme ever reaches the viewer.
  mayHand(pageUrl, documentUrl) {
    const page = new URL(pageUrl).protocol;
    const document = new URL(documentUrl).protocol;
    const web = ["http:", "https:"];
    if (web.includes(document)) return web.includes(page) || page === "file:";
    return document === "file:" && page === "file:";
  },

  // The sites the administrator allows through the managed storage policy;
  // none where no policy names this extension.
  async managedSites(api) {
    try {
      const { allowedSites = [] } = await api.storage.managed.get("allowedSites");
      return allowedSites.map(String);
    } catch {
      return [];
    }
  },

  // The site the user allows or not: the origin, and all file: pages as one.
  siteOf(url) {
    const parsed = new URL(url);
    return parsed.protocol === "file:" ? "file://" : parsed.origin;
  },

  // A site as the address bar names it: its host and any port, in the form
  // that cannot pass for another (international names stay in ASCII).
  siteName(site) {
    return site === "file://" ? "a file on this computer" : new URL(site).host;
  },

  // What the helper's absence tells the user, wherever it is shown.
  hostMissing: "The NPZqk helper program, npzqk-host.exe, is not installed for this browser. " +
               "Unpack the NPZqk release, run npzqk-host.exe --register in its folder, then reload this page.",
};
