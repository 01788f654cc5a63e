// The settings file in the page's own storage (the origin's private file system): loaded
// into the program's settings folder before it starts, written back by every save, and
// moved to and from the PC through the bar above the form.
const kSettingsName = 'data.txt';
// Larger than any settings file; a bigger file is not one and is not taken.
const kLargestFile = 1 << 20;

export class Storage {
  constructor() {
    this.root = null;
    this.closed = false;
    this.writing = new Set();  // stores in progress
  }

  // No store starts after this; resolves once those in progress have ended (another tab is
  // about to take the settings file over).
  close() {
    this.closed = true;
    return Promise.all([...this.writing]);
  }

  async folder() {
    if (!this.root) this.root = await navigator.storage.getDirectory();
    return this.root;
  }

  // name -> bytes of every file the storage keeps; nothing when it cannot be reached.
  async loadAll() {
    const files = new Map();
    try {
      const root = await this.folder();
      for await (const [name, handle] of root.entries()) {
        if (handle.kind !== 'file') continue;
        const file = await handle.getFile();
        if (file.size <= kLargestFile) files.set(name, new Uint8Array(await file.arrayBuffer()));
      }
    } catch (e) {
      console.warn('storage: nothing loaded', e);
    }
    return files;
  }

  // Writes a file whole: the storage swaps the new content in when the write is closed, so
  // a failure leaves the old one. True when done; false, and nothing written, once closed.
  store(name, bytes) {
    if (this.closed) {
      console.warn('storage: ' + name + ' not saved: the tool is now in another tab');
      return Promise.resolve(false);
    }
    const writing = this.write(name, bytes);
    this.writing.add(writing);
    writing.then(() => this.writing.delete(writing));
    return writing;
  }

  async write(name, bytes) {
    try {
      const root = await this.folder();
      const handle = await root.getFileHandle(name, { create: true });
      const writable = await handle.createWritable();
      try {
        await writable.write(bytes);
        await writable.close();
      } catch (e) {
        await writable.abort().catch(() => {});
        throw e;
      }
      return true;
    } catch (e) {
      console.warn('storage: ' + name + ' not saved', e);
      return false;
    }
  }
}

// The bar above the form: "Open data.txt..." takes a file from the PC as the settings file
// (the tool starts again with it: it reads the file when it starts), "Save data.txt as..."
// puts the one the tool keeps on the PC.
export class SettingsBar {
  constructor(storage, readCurrent, restart) {
    this.storage = storage;
    this.readCurrent = readCurrent;  // () -> bytes of the settings file, or null
    this.restart = restart;          // (why) -> starts the tool again, after asking if needed
    this.note = document.getElementById('bar-note');
    this.picker = document.getElementById('settings-file');
    document.getElementById('open-settings').addEventListener('click', () => this.picker.click());
    document.getElementById('save-settings').addEventListener('click', () => this.saveAs());
    this.picker.addEventListener('change', () => this.open());
    document.getElementById('bar').hidden = false;
  }

  say(text) {
    this.note.textContent = text;
  }

  async open() {
    const file = this.picker.files[0];
    this.picker.value = '';
    if (!file) return;
    if (file.size > kLargestFile) {
      this.say('文件太大，不是设置文件 / Too large for a settings file: ' + file.name);
      return;
    }
    const bytes = new Uint8Array(await file.arrayBuffer());
    if (!(await this.storage.store(kSettingsName, bytes))) {
      this.say('无法保存到本页的存储 / The page\'s storage refused the file');
      return;
    }
    this.say('已载入 ' + file.name + ' / Loaded ' + file.name);
    this.restart();
  }

  async saveAs() {
    const bytes = this.readCurrent();
    if (!bytes) {
      this.say('还没有 data.txt：请先按“保存所有设置” / No data.txt yet: press 保存所有设置 first');
      return;
    }
    const blob = new Blob([bytes], { type: 'application/octet-stream' });
    if (window.showSaveFilePicker) {
      try {
        const handle = await window.showSaveFilePicker({ suggestedName: kSettingsName,
          types: [{ description: 'data.txt', accept: { 'text/plain': ['.txt'] } }] });
        const writable = await handle.createWritable();
        await writable.write(blob);
        await writable.close();
        this.say('已保存 / Saved');
      } catch (e) {
        if (e && e.name !== 'AbortError') this.say('未能保存 / Not saved: ' + e.message);
      }
      return;
    }
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = kSettingsName;
    link.click();
    setTimeout(() => URL.revokeObjectURL(link.href), 10000);
  }
}
