// Documents converted in the page: a file chosen or dropped on the section
// #fraConvert is converted by harf-convert's own C++ code, compiled to
// WebAssembly and run in a worker (harf_convert_worker.js), which is started
// only when the first file comes, so that the typing page stays light. The
// file never leaves the browser; the result is offered as a download with
// the summary harf-convert prints.

// The page's words, by the browser's first language this table has.
const WORDS = {
  en: {
    working: (name) => `Converting ${name}…`,
    done: (name, out, runs, left) =>
      `${name} → ${out}: ${runs} ${runs === 1 ? 'run' : 'runs'} converted, ` +
      `${left} ${left === 1 ? 'character' : 'characters'} left out`,
    failed: (name, why) => `${name}: ${why}`,
    download: (out) => `Download ${out}`,
  },
  de: {
    working: (name) => `${name} wird umgewandelt…`,
    done: (name, out, runs, left) =>
      `${name} → ${out}: ${runs} ${runs === 1 ? 'Abschnitt' : 'Abschnitte'} umgewandelt, ` +
      `${left} Zeichen ausgelassen`,
    failed: (name, why) => `${name}: ${why}`,
    download: (out) => `${out} herunterladen`,
  },
};

function words() {
  for (const tag of navigator.languages || [navigator.language || 'en']) {
    const lang = String(tag).slice(0, 2).toLowerCase();
    if (WORDS[lang]) return WORDS[lang];
  }
  return WORDS.en;
}

const STYLE = `
#fraConvert { margin: 1em 0; padding: 0.5em 1em; border: 1px solid #999; border-radius: 4px; }
#fraConvert .drop { display: block; padding: 1em; border: 2px dashed #999; border-radius: 4px;
  text-align: center; cursor: pointer; }
#fraConvert .drop.over { border-color: #06c; background: #eef5ff; }
#fraConvert .options { display: flex; flex-wrap: wrap; gap: 0.5em 1.5em; margin: 0.5em 0; }
#fraConvert fieldset { border: none; margin: 0; padding: 0; }
#fraConvert [hidden] { display: none; }
`;

// harf-convert's name for the output of NAME.EXT.
export function outputName(name, to) {
  const dot = name.lastIndexOf('.');
  const stem = dot > 0 ? name.slice(0, dot) : name;
  const ext = dot > 0 ? name.slice(dot) : '';
  return `${stem}.${to === 'legacy' ? 'legacy' : 'unicode'}${ext}`;
}

let worker = null;
let nextId = 0;
const waiting = new Map();

function startWorker() {
  worker = new Worker('harf_convert_worker.js');
  worker.onmessage = (event) => {
    const done = waiting.get(event.data.id);
    waiting.delete(event.data.id);
    if (done) done(event.data);
  };
  worker.onerror = (event) => {
    // The worker could not start (its files missing): every wait ends.
    for (const done of waiting.values()) {
      done({ status: 1, error: event.message || 'the converter could not be loaded' });
    }
    waiting.clear();
    worker = null;
  };
}

// Converts one File: { status, runs, leftOut, bytes } or { status, error },
// status being harf-convert's exit status (0 converted).
export async function convertFile(file, { to = 'unicode', encoding = 'auto', columns = '' } = {}) {
  const bytes = await file.arrayBuffer();
  if (!worker) startWorker();
  const id = nextId++;
  return new Promise((resolve) => {
    waiting.set(id, resolve);
    worker.postMessage({ id, name: file.name, bytes, to, encoding, columns }, [bytes]);
  });
}

function attach(section) {
  const style = document.createElement('style');
  style.textContent = STYLE;
  document.head.appendChild(style);

  const input = section.querySelector('#fileConvert');
  const drop = section.querySelector('#dropConvert');
  const status = section.querySelector('#lblConvert');
  const link = section.querySelector('#lnkConvert');
  const columns = section.querySelector('#txtColumns');
  let url = null;

  // Keys typed here are for these controls, not for the line.
  for (const type of ['keydown', 'keyup', 'keypress']) {
    section.addEventListener(type, (event) => event.stopPropagation());
  }

  async function convert(file) {
    const w = words();
    const to = section.querySelector('input[name="convertTo"]:checked').value;
    const outName = outputName(file.name, to);
    link.hidden = true;
    if (url) URL.revokeObjectURL(url);
    url = null;
    status.textContent = w.working(file.name);
    section.setAttribute('aria-busy', 'true');
    const result = await convertFile(file, { to, columns: columns.value.trim() });
    section.removeAttribute('aria-busy');
    if (result.status !== 0) {
      status.textContent = w.failed(file.name, result.error);
      section.dataset.result = 'failed';
      return;
    }
    url = URL.createObjectURL(new Blob([result.bytes], { type: file.type || '' }));
    link.href = url;
    link.download = outName;
    link.textContent = w.download(outName);
    link.hidden = false;
    status.textContent = w.done(file.name, outName, result.runs, result.leftOut);
    section.dataset.result = 'done';
  }

  input.addEventListener('change', () => {
    if (input.files.length) convert(input.files[0]);
    input.value = '';
  });
  drop.addEventListener('dragover', (event) => {
    event.preventDefault();
    drop.classList.add('over');
  });
  drop.addEventListener('dragleave', () => drop.classList.remove('over'));
  drop.addEventListener('drop', (event) => {
    event.preventDefault();
    drop.classList.remove('over');
    if (event.dataTransfer.files.length) convert(event.dataTransfer.files[0]);
  });
}

const section = document.getElementById('fraConvert');
if (section) attach(section);
