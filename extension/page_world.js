// Runs in the page's own world, before the page does, and tells the
// extension's script in this frame (content.js) what it could see for
// itself only at a cost to the page: each <embed> and <object> the page
// adds once it is parsed, in its tree or in any shadow root, open or closed,
// that the page attaches at any time. Here, among the page's own objects,
// watching its changes costs it little. What it tells is an event at the
// document that names the element, or, for one in a shadow root, the host
// in the page's tree that holds it (as the browser retargets it), whose
// shadow roots content.js then searches. A page that fakes one only has
// content.js look at an element of its own; one that stops them only hides
// its own documents.
"use strict";

(() => {
  const attach = Element.prototype.attachShadow;
  const dispatch = EventTarget.prototype.dispatchEvent;
  const observe = MutationObserver.prototype.observe;
  const Told = MouseEvent;
  const pageDocument = document;
  const waiting = new Set(); // elements told of outside the page, told again once they join it

  function tellFound(element) {
    Reflect.apply(dispatch, pageDocument, [new Told("npzqk-found", { relatedTarget: element })]);
    if (!element.isConnected) waiting.add(element);
  }

  // An added node, and what it holds: called for every node the page adds,
  // so kept to the page's own methods, which a page can only turn against
  // its own documents.
  function found(node) {
    const name = node.localName;
    if (name === "embed" || name === "object") tellFound(node);
    else if (node.firstElementChild !== null) for (const each of node.querySelectorAll("embed, object")) tellFound(each);
  }

  const added = new MutationObserver((records) => {
    for (const record of records) {
      const nodes = record.addedNodes;
      for (let index = 0; index < nodes.length; index += 1) if (nodes[index].nodeType === 1) found(nodes[index]);
    }
    for (const element of waiting) {
      if (!element.isConnected) continue;
      waiting.delete(element);
      tellFound(element);
    }
  });

  function watch(tree) {
    Reflect.apply(observe, added, [tree, { childList: true, subtree: true }]);
  }

  Element.prototype.attachShadow = new Proxy(attach, {
    apply(target, host, given) {
      const root = Reflect.apply(target, host, given);
      watch(root);
      return root;
    },
  });

  // The parsed page content.js finds by itself.
  if (pageDocument.readyState === "loading") {
    pageDocument.addEventListener("DOMContentLoaded", () => watch(pageDocument), { once: true });
  } else {
    watch(pageDocument);
  }
})();
