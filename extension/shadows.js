// Runs in the page's own world, before the page does: tells the extension's
// script in this frame of every shadow root the page attaches, open or
// closed, whenever it attaches one, so that a zqk document put in it later
// is found too. The event names the root's host and reaches only the
// script's listeners: on the tree that holds the host (a shadow root it
// watches), else on the document. A page that fakes it only has the script
// look at one of its elements; one that stops it only hides its own documents.
"use strict";

(() => {
  const attach = Element.prototype.attachShadow;
  const rootOf = Node.prototype.getRootNode;
  const dispatch = EventTarget.prototype.dispatchEvent;
  const Told = MouseEvent;
  const pageDocument = document;
  Element.prototype.attachShadow = new Proxy(attach, {
    apply(target, host, given) {
      const root = Reflect.apply(target, host, given);
      const tree = Reflect.apply(rootOf, host, []);
      Reflect.apply(dispatch, tree instanceof ShadowRoot ? tree : pageDocument,
                    [new Told("npzqk-shadow", { relatedTarget: host })]);
      return root;
    },
  });
})();
