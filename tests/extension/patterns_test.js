// The administrator's site patterns against sites as the browser names them
// (origins), hostile ones among them; and file: addresses, each as the site it
// is of and as it reaches the host: tables run by node's test runner.
"use strict";

const { test } = require("node:test");
const assert = require("node:assert");
const fs = require("node:fs");
const path = require("node:path");

const read = (name) => fs.readFileSync(path.join(__dirname, "..", "..", "extension", name), "utf8");
const { sitePattern, patternMatches, bestMatch } = new Function(`${read("patterns.js")}; return { sitePattern, patternMatches, bestMatch };`)();
globalThis.chrome = { runtime: { getURL: () => "chrome-extension://x/" } };
const NPZQK = new Function(`${read("zqk.js")}; return NPZQK;`)();

// pattern, site, whether it names it
const CASES = [
  ["https://books.example", "https://books.example", true],
  ["https://*.intranet.example", "https://intranet.example", true],
  ["https://*.intranet.example", "https://a.b.intranet.example", true],
  ["https://*.example.com", "https://example.com.evil.test", false],
  ["https://*.example.com.evil.test", "https://example.com", false],
  ["https://*.example.com", "https://evilexample.com", false],
  ["https://BOOKS.Example", "https://books.example", true],
  ["https://books.example.", "https://books.example", true],
  ["https://*.evil.test", "https://www.evil.test.", true],
  ["https://bücher.example", "https://xn--bcher-kva.example", true],
  ["https://xn--bcher-kva.example", "https://xn--bcher-kva.example", true],
  ["https://books.example", "http://books.example", false],
  ["https://books.example:443", "https://books.example", true],
  ["https://books.example", "https://books.example:8443", false],
  ["https://books.example:*", "https://books.example:8443", true],
  ["http://[::1]:8080", "http://[::1]:8080", true],
  ["*", "https://anything.example", true],
  ["*", "file://", true],
  ["file://", "file://", true],
  ["file://", "https://books.example", false],
  ["https://*.example", "file://", false],
  ["file://", "file://share.example", false],
  ["file://share.example", "file://share.example", true],
  ["file://*.corp.example", "file://fs1.corp.example", true],
  ["file://*.corp.example", "file://corp.example.evil.test", false],
  ["https://share.example", "file://share.example", false],
];

test("patterns name the sites they should, and no others", () => {
  for (const [pattern, site, expected] of CASES) {
    assert.strictEqual(patternMatches(sitePattern(pattern), site), expected, `${pattern} against ${site}`);
  }
});

test("entries that are neither a site nor a pattern are not understood", () => {
  for (const entry of ["books.example", "https://*", "https://a.*.example", "ftp://books.example",
                       "https://books.example/path", "https://user@books.example", "https://books.example:99999", "file://share.example:445",
                       ""]) {
    assert.strictEqual(sitePattern(entry), null, entry);
  }
});

test("the site itself wins, then the longest pattern", () => {
  const entries = ["*", "https://*.example", "https://*.books.example", "https://a.books.example"];
  assert.strictEqual(bestMatch(entries, "https://a.books.example"), "https://a.books.example");
  assert.strictEqual(bestMatch(entries, "https://b.books.example"), "https://*.books.example");
  assert.strictEqual(bestMatch(entries, "http://other.test"), "*");
  assert.strictEqual(bestMatch(["https://*.example"], "http://other.test"), undefined);
});

// address, its site, what the host is sent (null: not handed)
const FILES = [
  ["file:///C:/Books/a.zqk", "file://", "file:///C:/Books/a.zqk"],
  ["file://localhost/C:/Books/a.zqk", "file://", "file:///C:/Books/a.zqk"],
  ["file://share.example/docs/a.zqk", "file://share.example", "file://share.example/docs/a.zqk"],
  ["file:////SHARE.example./docs/a.zqk", "file://share.example", "file://share.example/docs/a.zqk"],
  ["file:///\\\\share.example\\docs\\a.zqk", "file://share.example", "file://share.example/docs/a.zqk"],
  ["file:///%5C%5Cshare.example/docs/a.zqk", "file://share.example", "file://share.example/docs/a.zqk"],
  ["file:///%2F%2F%73hare.example/docs/a.zqk", "file://share.example", "file://share.example/docs/a.zqk"],
  ["file://b\u00fccher.example/docs/a.zqk", "file://xn--bcher-kva.example", "file://xn--bcher-kva.example/docs/a.zqk"],
  ["file:////localhost/docs/a.zqk", "null", null],
  ["file:///home/a.zqk", "file://", null],
];

test("a file: address on another computer is of that server's site, however it is spelt", () => {
  for (const [address, site, sent] of FILES) {
    assert.deepStrictEqual([NPZQK.siteOf(address), NPZQK.plainUrl(address)], [site, sent], address);
  }
});
