// The converter's worker: the C++ converter (harf_convert.js and .wasm) runs
// here, off the page's thread, so that a long document does not stop the
// page. A file comes in as bytes, goes through the module's memory file
// system and goes back as bytes; nothing leaves the browser.
/* global HarfConvert */
importScripts('harf_convert.js');

let ready = null;

self.onmessage = async (event) => {
  const { id, name, bytes, to, encoding, columns } = event.data;
  ready = ready || HarfConvert();
  const m = await ready;
  // The extension picks the format; the names in the file system are ours.
  const dot = name.lastIndexOf('.');
  const ext = dot < 0 ? '' : name.slice(dot).replace(/[^.A-Za-z0-9]/g, '');
  const input = `/work/in${ext}`;
  const output = `/work/out${ext}`;
  try {
    m.FS.mkdir('/work');
  } catch (e) {
    // there already
  }
  let reply;
  try {
    m.FS.writeFile(input, new Uint8Array(bytes));
    const status = m.ccall('harf_convert', 'number',
      ['string', 'string', 'string', 'string', 'string', 'string'],
      [input, output, name, to, encoding, columns]);
    if (status === 0) {
      const out = m.FS.readFile(output);
      reply = {
        id, status,
        runs: m._harf_convert_runs(),
        leftOut: m._harf_convert_left_out(),
        bytes: out.buffer,
      };
    } else {
      reply = { id, status, error: m.UTF8ToString(m._harf_convert_error()) };
    }
  } catch (e) {
    // The module itself failed (out of memory, an abort): no result.
    reply = { id, status: 1, error: String(e && e.message ? e.message : e) };
    ready = null;
  }
  for (const path of [input, output]) {
    try {
      m.FS.unlink(path);
    } catch (e) {
      // never made
    }
  }
  self.postMessage(reply, reply.bytes ? [reply.bytes] : []);
};
