// The page draws what the core says and hands it every key, click and command.
// It decides nothing about letters, keys or shaping itself: the keyboard, the
// typed-character lists, the length limit, the key releases and the texts a
// copy writes all come from the WebAssembly core. This module starts the
// page; core_bridge.js talks to the core, key_building.js makes the keys,
// painting.js draws, clipboard.js copies and handlers.js answers the user.
import { $, loadCore, T, W } from './core_bridge.js';
import { buildKeys } from './key_building.js';
import { paint, paintLayout, restore, say } from './painting.js';
import { cmdBkSp_Click, cmdEnter_Click, cmdK_Click, wire } from './handlers.js';

async function start() {
  W.wordPage();
  await loadCore();
  buildKeys({ key: cmdK_Click, enter: cmdEnter_Click, backspace: cmdBkSp_Click });
  restore();
  wire();
  paintLayout();
  paint();
  $('frmMain').removeAttribute('aria-busy');
  document.documentElement.dataset.ready = '1';
  performance.mark('harf-ready');
}

start().catch((err) => {
  say(W.fill(T.couldNotStart, err && err.message ? err.message : String(err)));
  throw err;
});

if ('serviceWorker' in navigator && location.protocol !== 'file:') {
  window.addEventListener('load', () => {
    navigator.serviceWorker.register('sw.js').catch(() => {});
  });
}
