// The page's one way to the WebAssembly core: the module's exports, the
// keyboard as the core describes it, and the buffers text crosses in.
export const $ = (id) => document.getElementById(id);
// words.js, a classic script, has run before any module of the page.
export const W = window.HarfWords;
export const T = W.t;

export let core = null; // the module's exports
export let keyboard = null; // the keyboard as the core describes it

const utf8 = new TextDecoder('utf-8');
const utf16 = new TextDecoder('utf-16le');

export function outBytes() {
  const p = core._harf_out();
  return core.HEAPU8.subarray(p, p + core._harf_out_size());
}
export const outUtf8 = () => utf8.decode(outBytes());
export const outUtf16 = () => utf16.decode(outBytes());

// Copies a JavaScript string into the core's input buffer; returns its length.
export function putInput(text) {
  const p = core._harf_in(text.length);
  const units = new Uint16Array(core.HEAPU8.buffer, p, text.length);
  for (let i = 0; i < text.length; i++) units[i] = text.charCodeAt(i);
  return text.length;
}

// Starts the core (harf_core.js defines HarfCore) and reads its keyboard.
export async function loadCore() {
  core = await HarfCore();
  core._harf_keyboard_json();
  keyboard = JSON.parse(outUtf8());
}
