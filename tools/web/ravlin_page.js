// The page around the machine: the URL's settings, the ROM images (beside
// the page, or chosen once and kept in IndexedDB; without them Ravlin's open
// ROM, built into the program), the canvas, the keys,
// the sound, the files the user opens and the files the machine saves.
'use strict';

(function () {
  const Folder = '/ravlin';            // the machine's current directory
  const SettingsFile = '/ravlin-settings';
  const RomSize = 16384;
  const RequiredRoms = ['basic.bin', 'kernal.bin'];
  const FunctionRoms = ['3plus1lo.rom', '3plus1hi.rom'];
  // The 1541's DOS ROM: with it, disk images go into a 1541 with its own
  // processor (fast loaders work); without it, into the built-in drive.
  const DriveRoms = ['dos1541.bin'];

  const canvas = document.getElementById('screen');
  const context = canvas.getContext('2d');
  const messageLine = document.getElementById('message');
  const screenText = document.getElementById('screen-text');
  const romPanel = document.getElementById('roms');
  const downloads = document.getElementById('downloads');
  const titleLine = document.getElementById('title');

  function showMessage(text) {
    messageLine.textContent = messageLine.textContent ? messageLine.textContent + '\n' + text : text;
  }

  // ---- Settings from the URL ---------------------------------------------
  const query = new URLSearchParams(location.search);
  const settings = { ScreenMode: 0, Sync: 2, Joystick: 0 };
  function numberSetting(name, key, lowest, highest) {
    if (!query.has(name)) return;
    const text = query.get(name);
    const value = Number(text);
    if (/^\d+$/.test(text) && value >= lowest && value <= highest) settings[key] = value;
    else showMessage(`?${name}=${text} is not one of ${lowest}-${highest}: the default is used.`);
  }
  numberSetting('sync', 'Sync', 0, 2);
  numberSetting('mode', 'ScreenMode', 0, 6);
  numberSetting('joy', 'Joystick', 1, 2);
  const positionalKeys = query.get('keys') === 'positional';
  if (query.has('keys') && !positionalKeys)
    showMessage(`?keys=${query.get('keys')} is not known: keys type what they show.`);

  // ---- The ROM images ------------------------------------------------------
  function openRomStore() {
    return new Promise((resolve) => {
      if (!window.indexedDB) { resolve(null); return; }
      const request = indexedDB.open('ravlin', 1);
      request.onupgradeneeded = () => request.result.createObjectStore('roms');
      request.onsuccess = () => resolve(request.result);
      request.onerror = () => resolve(null);
    });
  }
  async function storedRoms() {
    const db = await openRomStore();
    if (!db) return {};
    return new Promise((resolve) => {
      const roms = {};
      const transaction = db.transaction('roms', 'readonly');
      const cursor = transaction.objectStore('roms').openCursor();
      cursor.onsuccess = () => {
        const at = cursor.result;
        if (at) { roms[at.key] = new Uint8Array(at.value); at.continue(); } else resolve(roms);
      };
      cursor.onerror = () => resolve({});
    });
  }
  async function storeRoms(roms) {
    const db = await openRomStore();
    if (!db) return;
    const transaction = db.transaction('roms', 'readwrite');
    for (const [name, bytes] of Object.entries(roms)) transaction.objectStore('roms').put(bytes, name);
  }
  async function forgetRoms() {
    const db = await openRomStore();
    if (db) db.transaction('roms', 'readwrite').objectStore('roms').clear();
    showMessage('The stored ROM images are forgotten; reload the page to choose others.');
  }
  document.getElementById('forget-roms').addEventListener('click', forgetRoms);

  async function fetchRom(name) {
    try {
      const response = await fetch('roms/' + name);
      if (!response.ok) return null;
      return new Uint8Array(await response.arrayBuffer());
    } catch (e) {
      return null;
    }
  }
  function wrongSize(name, bytes) {
    return bytes && bytes.length !== RomSize
      ? `${name} has ${bytes.length} bytes; a ROM image has ${RomSize}.` : null;
  }
  function complete(roms) {
    return RequiredRoms.every((name) => roms[name] && roms[name].length === RomSize);
  }

  // The images beside the page come first, then those kept from an earlier
  // visit; without them the machine starts on Ravlin's open ROM at once, and
  // the picker is offered beside it for the real images.
  async function findRoms() {
    const beside = {};
    for (const name of RequiredRoms.concat(FunctionRoms, DriveRoms)) {
      const bytes = await fetchRom(name);
      if (!bytes) continue;
      const problem = wrongSize('roms/' + name, bytes);
      if (problem) showMessage(problem); else beside[name] = bytes;
    }
    if (complete(beside)) return beside;
    const kept = await storedRoms();
    if (complete(kept)) return kept;
    offerRomPicker();
    return {};
  }
  // Once both images are chosen they are kept, and the page starts again
  // with them.
  function offerRomPicker() {
    romPanel.hidden = false;
    const input = document.getElementById('rom-files');
    const chosen = {};
    input.addEventListener('change', async () => {
      for (const file of input.files) {
        const name = file.name.toLowerCase();
        if (!RequiredRoms.includes(name) && !FunctionRoms.includes(name) && !DriveRoms.includes(name)) {
          showMessage(`${file.name} is not one of basic.bin, kernal.bin, 3plus1lo.rom, 3plus1hi.rom, dos1541.bin.`);
          continue;
        }
        const bytes = new Uint8Array(await file.arrayBuffer());
        const problem = wrongSize(file.name, bytes);
        if (problem) showMessage(problem); else chosen[name] = bytes;
      }
      if (complete(chosen)) {
        romPanel.hidden = true;
        await storeRoms(chosen);
        location.reload();
      } else {
        showMessage('Still needed: ' + RequiredRoms.filter((n) => !chosen[n]).join(' and ') + '.');
      }
    });
  }

  // ---- Files in and out ------------------------------------------------------
  function safeName(name) {
    const base = name.split(/[\\/]/).pop().replace(/[^\w .+-]/g, '_');
    return base && base !== '.' && base !== '..' ? base : 'file';
  }
  function startFile(name, bytes) {
    const file = safeName(name);
    Module.FS.writeFile(Folder + '/' + file, bytes);
    const pointer = allocateName(file);
    Module._RavlinWebOpenFile(pointer);
    Module._free(pointer);
  }
  function allocateName(text) {
    const length = Module.lengthBytesUTF8(text) + 1;
    const pointer = Module._malloc(length);
    Module.stringToUTF8(text, pointer, length);
    return pointer;
  }
  async function openFiles(files) {
    for (const file of files) startFile(file.name, new Uint8Array(await file.arrayBuffer()));
  }
  // The picker is emptied after each choice, so that choosing the same
  // file again (rebuilt since) starts it again.
  document.getElementById('open-file').addEventListener('change', (event) => {
    const files = [...event.target.files];
    event.target.value = '';
    if (machineReady) openFiles(files);
  });
  canvas.addEventListener('dragover', (event) => { event.preventDefault(); canvas.classList.add('dropping'); });
  canvas.addEventListener('dragleave', () => canvas.classList.remove('dropping'));
  canvas.addEventListener('drop', (event) => {
    event.preventDefault();
    canvas.classList.remove('dropping');
    if (machineReady) openFiles(event.dataTransfer.files);
  });
  async function runFromUrl(name) {
    try {
      const response = await fetch(name);
      if (!response.ok) throw new Error(`${response.status} ${response.statusText}`);
      startFile(name, new Uint8Array(await response.arrayBuffer()));
    } catch (e) {
      showMessage(`?run=${name} could not be fetched (${e.message}).`);
    }
  }

  // A file the machine saved (program, snapshot, screenshot) is offered as
  // a download.  Saves write a hidden temporary file and rename it.
  function offerDownload(path) {
    const name = path.split('/').pop();
    if (!name || name.startsWith('.')) return;
    let bytes;
    try { bytes = Module.FS.readFile(path); } catch (e) { return; }
    const url = URL.createObjectURL(new Blob([bytes], { type: 'application/octet-stream' }));
    const link = document.createElement('a');
    link.href = url;
    link.download = name;
    link.textContent = `${name} (${bytes.length} bytes)`;
    link.dataset.bytes = String(bytes.length);
    downloads.prepend(link);
    link.click();
  }

  // ---- The machine's side ------------------------------------------------------
  let machineReady = false;
  let ended = false;
  // The machine runs in slices; each asks for the next (at once, at the
  // display's next refresh, after a delay, or the careful kind that may
  // wait inside a menu or the debugger).
  const sliceChannel = new MessageChannel();
  let careful = false;
  sliceChannel.port1.onmessage = () => runSlice();
  function runSlice() {
    if (ended) return;
    if (careful) Module._RavlinWebCarefulSlice(); else Module._RavlinWebSlice();
  }
  function scheduleSlice(kind, delay) {
    careful = kind === 3;
    if (kind === 1) requestAnimationFrame(runSlice);
    else if (kind === 2 && delay > 0) setTimeout(runSlice, delay);
    else sliceChannel.port2.postMessage(0);
  }

  let image = null;
  window.Module = {
    canvas,
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
    preRun: [() => {
      Module.FS.mkdir(Folder);
      Module.FS.chdir(Folder);
      Module.ENV.RAVLIN_SETTINGS = SettingsFile;
      const rename = Module.FS.rename;
      Module.FS.rename = function (from, to) {
        const result = rename.call(Module.FS, from, to);
        offerDownload(to);
        return result;
      };
    }],
    onRuntimeInitialized: () => { runtimeReady(); },
    ravlinScheduleSlice: scheduleSlice,
    ravlinScreenText: (text) => { screenText.textContent = text; },
    ravlinMessage: (first, second) => showMessage(second ? `${first}: ${second}` : first),
    ravlinTitle: (title) => {
      document.title = title;
      titleLine.textContent = title;
    },
    ravlinCopyText: (text) => {
      if (navigator.clipboard) navigator.clipboard.writeText(text).catch(() => {});
    },
    ravlinEnded: () => {
      ended = true;
      showMessage('The machine has stopped. Reload the page to start it again.');
    },
    ravlinCanvasSize: (width, height) => {
      canvas.width = width;
      canvas.height = height;
      canvas.style.setProperty('--aspect', String(width / height));
      image = null;
    },
    ravlinCanvasPut: (pointer, width, height) => {
      if (!image || image.width !== width || image.height !== height) image = context.createImageData(width, height);
      image.data.set(Module.HEAPU8.subarray(pointer, pointer + width * height * 4));
      context.putImageData(image, 0, 0);
    },
  };

  let resolveRuntime;
  const runtime = new Promise((resolve) => { resolveRuntime = resolve; });
  function runtimeReady() { resolveRuntime(); }

  // ---- Keys, sound, gamepads ---------------------------------------------------
  let audio = null;
  function startSound() {
    if (audio !== null || !window.AudioContext) return;
    try {
      audio = new AudioContext();
    } catch (e) {
      audio = false;   // no sound in this browser; the machine runs on
      return;
    }
    // 1024 frames (about 21 ms): with the stream's queue, a register write
    // is heard within about 50 ms.
    const node = audio.createScriptProcessor(1024, 0, 1);
    node.onaudioprocess = (event) => {
      const out = event.outputBuffer.getChannelData(0);
      if (!machineReady || ended) { out.fill(0); return; }
      const pointer = Module._RavlinWebRenderAudio(out.length, audio.sampleRate);
      const samples = Module.HEAP16.subarray(pointer >> 1, (pointer >> 1) + out.length);
      for (let i = 0; i < out.length; i++) out[i] = samples[i] / 32768;
    };
    node.connect(audio.destination);
  }
  function keyEvent(event, down) {
    if (!machineReady || ended) return;
    if (event.target instanceof HTMLInputElement || event.target instanceof HTMLButtonElement) return;
    if (event.ctrlKey && event.code === 'KeyR') return;   // the browser's reload stays the browser's
    event.preventDefault();
    startSound();
    // The one character the key typed; names such as "Enter" type none.
    const typed = [...(event.key || '')];
    const character = typed.length === 1 ? typed[0].codePointAt(0) : 0;
    const code = allocateName(event.code || '');
    Module._RavlinWebKey(down ? 1 : 0, character, code, event.keyCode | 0, event.repeat ? 1 : 0);
    Module._free(code);
  }
  document.addEventListener('keydown', (event) => keyEvent(event, true));
  document.addEventListener('keyup', (event) => keyEvent(event, false));
  window.addEventListener('blur', () => { if (machineReady) Module._RavlinWebBlur(); });
  // Text pasted into the page is typed on the machine.
  document.addEventListener('paste', (event) => {
    if (!machineReady || ended || event.target instanceof HTMLInputElement) return;
    event.preventDefault();
    const text = allocateName(event.clipboardData.getData('text/plain') || '');
    Module._RavlinWebPaste(text);
    Module._free(text);
  });
  canvas.addEventListener('mousedown', () => { canvas.focus(); startSound(); });

  function pollGamepads() {
    if (machineReady && !ended && navigator.getGamepads) {
      // The first gamepad: its pad (standard buttons 12-15), left stick and
      // face buttons (0-3).
      const pad = [...navigator.getGamepads()].find((p) => p);
      let bits = 0, stickX = 0, stickY = 0;
      if (pad) {
        const button = (i) => pad.buttons[i] && pad.buttons[i].pressed;
        [12, 13, 14, 15].forEach((b, i) => { if (button(b)) bits |= 1 << i; });
        if ([0, 1, 2, 3].some(button)) bits |= 16;
        const axis = (i) => Math.max(-1, Math.min(1, pad.axes[i] || 0));
        stickX = Math.round(axis(0) * 32767);
        stickY = Math.round(axis(1) * 32767);
      }
      Module._RavlinWebGamepad(bits, stickX, stickY);
    }
    requestAnimationFrame(pollGamepads);
  }

  // ---- Start ---------------------------------------------------------------------
  async function start() {
    const roms = await findRoms();
    await runtime;
    for (const [name, bytes] of Object.entries(roms)) Module.FS.writeFile(Folder + '/' + name, bytes);
    const functionRoms = FunctionRoms.every((name) => roms[name]);
    const lines = [`ScreenMode=${settings.ScreenMode}`, `Sync=${settings.Sync}`,
                   `Joystick=${settings.Joystick}`, `Plus4ROMS=${functionRoms ? 1 : 0}`,
                   `KeyboardMap=${positionalKeys ? 0 : 1}`];
    Module.FS.writeFile(SettingsFile, lines.join('\n') + '\n');
    machineReady = true;
    requestAnimationFrame(pollGamepads);
    Module._RavlinWebStart();
    // The images stay in the machine's memory only: the folder the user
    // browses holds the user's files.
    for (const name of Object.keys(roms)) Module.FS.unlink(Folder + '/' + name);
    if (query.has('run')) runFromUrl(query.get('run'));
  }
  start().catch((e) => showMessage(`The machine could not start: ${e.message || e}`));
})();
