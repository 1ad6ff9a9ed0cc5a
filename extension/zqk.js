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

  // What the administrator sets through the managed storage policy: the
  // sites (and patterns) allowed and blocked, whether users may allow sites
  // of their own, and how many documents a page of each site may open at
  // once (0: as many as it has); Windows' registry gives numbers as text and
  // booleans as numbers. Nothing where no policy names this extension.
  async managedPolicy(api) {
    let given = {};
    try {
      given = (await api.storage.managed.get(null)) ?? {};
    } catch {
      // no policy for this extension
    }
    const list = (value) => (Array.isArray(value) ? value.map(String) : []);
    const counts = given.openAtOnce !== null && typeof given.openAtOnce === "object" ? given.openAtOnce : {};
    return {
      allowedSites: list(given.allowedSites),
      blockedSites: list(given.blockedSites),
      userMayAllow: ![false, 0, "0", "false"].includes(given.userMayAllow),
      openAtOnce: Object.fromEntries(Object.entries(counts).map(([site, count]) => [site, Number(count)])
        .filter(([, count]) => Number.isSafeInteger(count) && count >= 0)),
    };
  },

  // Presses that may give the user's leave, as the browsers' own permission
  // prompts take them: trusted, begun once armedAt() has passed, and neither
  // a held key, a double click nor pointer presses in quick succession.
  // Chromium's prompts ignore input for 500 ms after they show, Firefox
  // enables its dialogs' buttons after 1000 ms.
  delay: (globalThis.browser ?? globalThis.chrome).runtime.getURL("").startsWith("moz-extension:") ? 1000 : 500,
  presses(armedAt) {
    const kHurried = 500; // pointer presses closer together than this are one gesture
    let lastPointerAt = -Infinity;
    let counts = false;
    return {
      press(event) {
        let hurried = event.repeat;
        if (event.type === "pointerdown") {
          hurried = event.timeStamp - lastPointerAt < kHurried;
          lastPointerAt = event.timeStamp;
        }
        counts = event.isTrusted && event.timeStamp >= armedAt() && !hurried;
      },
      // Whether this click is such a press; it counts once.
      take(event) {
        const taken = event.isTrusted && event.detail <= 1 && counts;
        counts = false;
        return taken;
      },
    };
  },

  // The site the user allows or not: the origin; for file: addresses, the
  // files of this computer as one ("file://"), and each other computer's
  // share by its server (file://server); "null" for an address whose server
  // is no host at all.
  siteOf(url) {
    const parsed = new URL(url);
    if (parsed.protocol !== "file:") return parsed.origin;
    const parts = NPZQK.fileParts(parsed);
    return parts === null ? "null" : `file://${parts.server}`;
  },

  // The computer a file: address names and the path on it: server "" for
  // this computer's files; else the server's host as the address bar shows
  // it, whether the address writes it as its host or as the first name of a
  // path that begins with two separators (file:////server/...), however those
  // are spelt (backslashes, %2F, %5C), for Windows reads all of these as
  // another computer's. Null where that name is no host.
  fileParts(parsed) {
    const path = parsed.pathname.replace(/%(2f|5c)/gi, "/").replace(/\\/g, "/");
    const share = /^\/\/+([^/]*)(.*)$/.exec(path);
    if (parsed.hostname === "" && share === null) return { server: "", path };
    try {
      const server = new URL(`file://${parsed.hostname || share[1]}`).hostname.replace(/\.+$/, "");
      return server === "" ? null : { server, path: parsed.hostname === "" ? share[2] : path };
    } catch {
      return null;
    }
  },

  // A document's address as the host takes it: a web one as the parser
  // writes it; a file: one only as a drive's path (file:///C:/...) or a
  // server's share (file://server/share/...), else null.
  plainUrl(url) {
    const parsed = new URL(url);
    if (parsed.protocol !== "file:") return parsed.href;
    const parts = NPZQK.fileParts(parsed);
    if (parts === null || (parts.server === "" && !/^\/[a-z]:\//i.test(parts.path))) return null;
    return `file://${parts.server}${parts.path}`;
  },

  // The site whose leave a document needs beside its frames': the page's
  // that hands it, but another computer's for a document on its share.
  sourceOf(pageSite, documentUrl) {
    const site = NPZQK.siteOf(documentUrl);
    return site.startsWith("file://") && site !== "file://" ? site : pageSite;
  },

  // The sites a question names, of those whose leave its documents need:
  // the tab's page, which asks, and the last frame of another site between
  // it and the documents, or null.
  askers(sites) {
    return { page: sites[0], frame: sites.findLast((site) => site !== sites[0]) ?? null };
  },

  // A site as the address bar names it: its host and any port, in the form
  // that cannot pass for another (international names stay in ASCII).
  siteName(site) {
    return site === "file://" ? NPZQK.text("fileSite") : new URL(site).host;
  },

  // One of the extension's texts in the user's language (_locales), the
  // browser's choice, with English where it has none of the user's.
  text(name, ...substitutions) {
    return (globalThis.browser ?? globalThis.chrome).i18n.getMessage(name, substitutions.map(String));
  },

  // An element in the language of the texts: its lang and dir.
  speak(element) {
    element.lang = NPZQK.text("lang");
    element.dir = NPZQK.text("dir");
  },

  // A paragraph of the text, with the web addresses in it as links.
  linked(told) {
    const paragraph = document.createElement("p");
    for (const piece of String(told).split(/(https?:\/\/\S+)/)) {
      if (/^https?:\/\//.test(piece)) {
        const link = document.createElement("a");
        link.textContent = piece;
        link.href = piece;
        link.target = "_blank";
        link.rel = "noopener";
        paragraph.append(link);
      } else {
        paragraph.append(piece);
      }
    }
    return paragraph;
  },

  // The extension's own page in the user's language: each element's text
  // (data-text) and accessible name (data-label) by the message it names.
  translate(page) {
    NPZQK.speak(page.documentElement);
    for (const element of page.querySelectorAll("[data-text]")) element.textContent = NPZQK.text(element.dataset.text);
    for (const element of page.querySelectorAll("[data-label]")) {
      element.setAttribute("aria-label", NPZQK.text(element.dataset.label));
    }
  },
};
