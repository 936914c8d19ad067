// Writing to the system clipboard, and the kind of characters a copy writes.
import { core, outUtf8, putInput, T } from './core_bridge.js';
import { focusLine, say } from './painting.js';

async function writeClipboard(text) {
  try {
    await navigator.clipboard.writeText(text);
    return true;
  } catch {
    // Without the asynchronous clipboard (a page served over plain http from
    // another host) the older copy command still works inside a user action.
    const t = document.createElement('textarea');
    t.value = text;
    t.setAttribute('readonly', '');
    t.style.position = 'fixed';
    t.style.opacity = '0';
    document.body.appendChild(t);
    t.select();
    const ok = document.execCommand('copy');
    t.remove();
    focusLine();
    return ok;
  }
}

export async function copy(what, describe) {
  const ok = await writeClipboard(what);
  say(ok ? describe : T.noClipboardWrite);
  document.dispatchEvent(new CustomEvent('harf-copied', { detail: ok }));
}

export function encoding() {
  core._harf_encoding();
  return outUtf8();
}

// Hands the core an encoding's name; false when it knows no such encoding.
export function setEncoding(name) {
  putInput(name);
  return core._harf_set_encoding() === 1;
}
