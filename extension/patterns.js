// Sites as an administrator names them, in the shape of the browsers' own
// site patterns: an origin (https://books.example:8443), "*." before a
// host for it and every host under it, a port of "*" for any, "*" alone
// for every site, "file://" for the files on this computer, and
// file://server (file://*.corp.example) for a server's shares. Hosts are
// compared as the address bar has them: lower case, international names in
// ASCII, a default port left out, a trailing dot dropped.
"use strict";

const kPattern = /^(https?|file):\/\/(\*\.)?(\[[0-9a-f:.]+\]|[^/:?#*[\]@\s]+)(?::(\*|\d{1,5}))?\/?$/i;

function bareHost(host) {
  return host.endsWith(".") ? host.slice(0, -1) : host;
}

// A pattern as written, understood; null where it is neither a site nor a pattern.
function sitePattern(entry) {
  const text = String(entry).trim();
  if (text === "*") return { every: true };
  if (text.toLowerCase() === "file://") return { file: true };
  const parts = kPattern.exec(text);
  if (parts === null) return null;
  const [, scheme, under, host, port] = parts;
  if (scheme.toLowerCase() === "file" && port !== undefined) return null;
  try {
    const url = new URL(`${scheme}://${host}${port !== undefined && port !== "*" ? `:${port}` : ""}`);
    return { scheme: url.protocol, host: bareHost(url.hostname), under: under !== undefined,
             port: port === "*" ? "*" : url.port };
  } catch {
    return null;
  }
}

// Whether a site (an origin, "file://" or a server's, file://server) is one the pattern names.
function patternMatches(pattern, site) {
  if (pattern.every) return true;
  if (site === "file://" || pattern.file) return site === "file://" && pattern.file === true;
  let url;
  try {
    url = new URL(site);
  } catch {
    return false;
  }
  const host = bareHost(url.hostname);
  return url.protocol === pattern.scheme && (pattern.port === "*" || url.port === pattern.port) &&
    (host === pattern.host || (pattern.under && host.endsWith(`.${pattern.host}`)));
}

// Of the entries, the longest that names the site, or undefined; an entry
// that is the site itself, as written, wins over every pattern.
function bestMatch(entries, site) {
  if (entries.includes(site)) return site;
  return entries.filter((entry) => {
    const pattern = sitePattern(entry);
    return pattern !== null && patternMatches(pattern, site);
  }).sort((a, b) => b.length - a.length)[0];
}
