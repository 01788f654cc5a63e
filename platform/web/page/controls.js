// The form's windows as elements of the page. The program creates, moves, fills and asks
// them through the calls below (made while it runs); what the user does to them is queued
// for the program (events.js), never handed to it directly. Keys the form decides about
// (Tab, Enter, Esc, F1) and typed characters (which pass the form's typing filter) are held
// back from the browser and queued; the program then acts on them, or inserts the text.
import { Ev } from './events.js';
import { ComboBox } from './combo.js';
import { IpAddress } from './ip.js';
import { cssColour } from './colours.js';
import { LogView } from './log_view.js';

// The program's kinds of window, in its own order.
export const Kind = Object.freeze({ Frame: 0, Edit: 1, Button: 2, ComboBox: 3, GroupBox: 4, Label: 5, IpAddress: 6,
  Hidden: 7 });
// The keys the form decides about, in the program's own order.
const kKeys = { Tab: 1, Enter: 2, Escape: 3, F1: 4 };

export class Controls {
  constructor(stage, queue) {
    this.stage = stage;
    this.queue = queue;
    this.windows = new Map();  // handle -> record {h, kind, el, client, field, parent, ...}
    this.focused = 0;          // the form's focus as the program knows it
    this.mute = 0;             // the program is moving the browser's focus itself
    this.dialogs = null;       // the message boxes (dialogs.js): while one shows, the form takes no input
    this.detached = document.createElement('div');  // windows without a parent yet
    stage.addEventListener('focusin', (e) => this.onFocusIn(e));
    stage.addEventListener('keydown', (e) => this.onKeyDown(e), true);
    stage.addEventListener('beforeinput', (e) => this.onBeforeInput(e), true);
    stage.addEventListener('input', (e) => this.onInput(e));
    // The form's background, labels and group boxes take no focus: a click there leaves it
    // where it is, as on the desktop.
    stage.addEventListener('mousedown', (e) => {
      if (!e.target.closest('input, button, .dtu-list, .dtu-log')) e.preventDefault();
    });
  }

  // A message box is showing.
  get boxOpen() {
    return this.dialogs !== null && this.dialogs.open.size > 0;
  }

  // ---- creation and the window tree

  create(spec) {
    const r = { h: spec.handle, kind: spec.kind, parent: 0, tabStop: spec.tabStop, geometry: [0, 0, 0, 0] };
    switch (spec.kind) {
      case Kind.Frame: this.makeFrame(r, spec); break;
      case Kind.Edit: this.makeEdit(r, spec.edit); break;
      case Kind.Button: this.makeButton(r, spec.button); break;
      case Kind.ComboBox: r.combo = new ComboBox(this, r, spec.combo); break;
      case Kind.GroupBox: this.makeGroup(r, spec.group); break;
      case Kind.Label: this.makeLabel(r); break;
      case Kind.IpAddress: r.ip = new IpAddress(this, r); break;
      default: r.el = document.createElement('div'); r.el.hidden = true; break;
    }
    r.client = r.client || r.el;
    r.el.dataset.handle = String(r.h);
    if (r.kind !== Kind.Frame) r.el.classList.add('dtu-w');
    this.windows.set(r.h, r);
    if (r.kind === Kind.Frame) this.stage.appendChild(r.el);
    else this.setParent(r.h, spec.parent);
    this.setText(r.h, spec.text);
    this.setGeometry(r.h, ...spec.geometry);
    this.setEnabled(r.h, !spec.disabled);
    if (r.kind !== Kind.Frame) this.setVisible(r.h, spec.visible);
    return true;
  }

  makeFrame(r, spec) {
    r.el = document.createElement('div');
    r.el.className = 'dtu-frame';
    r.el.hidden = true;
    if (spec.frame.caption) {
      const caption = document.createElement('div');
      caption.className = 'dtu-caption';
      r.icon = document.createElement('img');
      r.icon.alt = '';
      r.icon.hidden = true;
      r.title = document.createElement('span');
      r.title.className = 'dtu-title';
      caption.append(r.icon, r.title);
      if (spec.frame.systemMenu) {
        const close = document.createElement('button');
        close.type = 'button';
        close.className = 'dtu-close';
        close.tabIndex = -1;
        close.title = '关闭 / Close';
        close.textContent = '\u2715';
        close.addEventListener('mousedown', (e) => e.preventDefault());
        close.addEventListener('click', () => this.queue.push([Ev.Close, r.h]));
        caption.append(close);
      }
      r.el.append(caption);
    }
    r.client = document.createElement('div');
    r.client.className = 'dtu-client';
    r.el.append(r.client);
  }

  // The frame's icon, from the form's own .ico image.
  setFrameIcon(h, bytes) {
    const r = this.windows.get(h);
    if (!r || !r.icon || !bytes.length) return;
    if (r.iconUrl) URL.revokeObjectURL(r.iconUrl);
    r.iconUrl = URL.createObjectURL(new Blob([bytes], { type: 'image/x-icon' }));
    r.icon.src = r.iconUrl;
    r.icon.hidden = false;
  }

  makeEdit(r, s) {
    let el;
    if (s.multiLine) {
      r.log = new LogView();
      r.field = r.log;
      el = r.log.el;
      el.classList.toggle('dtu-nowrap', (s.scrollBars & 1) !== 0);
      el.style.overflowX = (s.scrollBars & 1) ? 'scroll' : 'hidden';
      el.style.overflowY = (s.scrollBars & 2) ? 'scroll' : 'hidden';
    } else {
      el = document.createElement('input');
      el.type = s.password ? 'password' : 'text';
      el.autocomplete = 'off';
      el.spellcheck = false;
      el.readOnly = s.readOnly;
      r.field = el;
    }
    el.classList.add('dtu-edge-' + s.border);
    el.style.textAlign = ['left', 'center', 'right'][s.alignment] || 'left';
    el.style.color = cssColour(s.textColour);
    el.style.backgroundColor = cssColour(s.background);
    r.el = el;
    r.maxLength = s.maxLength;
    r.multiLine = s.multiLine;
  }

  makeButton(r, s) {
    const el = document.createElement('button');
    el.type = 'button';
    if (s.defaultButton) el.classList.add('dtu-default');
    el.style.justifyContent = ['flex-start', 'center', 'flex-end'][s.hAlign] || 'center';
    el.style.alignItems = ['flex-start', 'center', 'flex-end'][s.vAlign] || 'center';
    el.style.textAlign = ['left', 'center', 'right'][s.hAlign] || 'center';
    r.caption = document.createElement('span');
    el.append(r.caption);
    el.addEventListener('click', () => {
      if (!el.disabled && !this.boxOpen) this.queue.push([Ev.Click, r.h]);
    });
    r.el = el;
  }

  makeGroup(r, s) {
    r.el = document.createElement('div');
    r.el.className = 'dtu-group';
    const edge = document.createElement('div');
    edge.className = 'dtu-group-edge';
    r.caption = document.createElement('span');
    r.caption.className = 'dtu-group-caption';
    r.caption.style.color = cssColour(s.textColour);
    r.caption.style.backgroundColor = cssColour(s.background);
    r.el.append(edge, r.caption);
  }

  makeLabel(r) {
    r.el = document.createElement('div');
    r.el.className = 'dtu-label';
    r.caption = document.createElement('span');
    r.el.append(r.caption);
  }

  labelStyle(h, s) {
    const r = this.windows.get(h);
    if (!r || r.kind !== Kind.Label) return;
    const el = r.el;
    el.classList.toggle('dtu-wrap', s.wordWrap);
    el.style.justifyContent = ['flex-start', 'center', 'flex-end'][s.hAlign] || 'flex-start';
    el.style.textAlign = ['left', 'center', 'right'][s.hAlign] || 'left';
    el.style.alignItems = s.wordWrap ? 'flex-start' : (['flex-start', 'center', 'flex-end'][s.vAlign] || 'center');
    el.style.color = cssColour(s.textColour);
    el.style.backgroundColor = (s.background >>> 0) === 0xFF000000 ? 'transparent' : cssColour(s.background);
    // The text effects: a white copy behind (sunken: down-right; raised: up-left of the
    // text, which moves one pixel down-right) or a black shadow two pixels down-right.
    el.style.textShadow = ['', '1px 1px 0 #fff', '-1px -1px 0 #fff', '2px 2px 0 #000'][s.textEffect] || '';
    r.caption.style.transform = s.textEffect === 2 ? 'translate(1px, 1px)' : '';
    const edges = ['', 'inset', 'outset', 'inset', 'outset', 'solid', 'solid'];
    el.style.border = s.border > 0 ? `${s.border === 6 ? Math.max(1, s.frameWidth) : 1}px ${edges[s.border]} ${cssColour(s.frameColour)}` : '';
  }

  destroy(h) {
    const r = this.windows.get(h);
    if (!r) return;
    if (r.combo) r.combo.closeList();
    if (r.iconUrl) URL.revokeObjectURL(r.iconUrl);
    r.el.remove();
    this.windows.delete(h);
    if (this.focused === h) this.focused = 0;
  }

  exists(h) {
    return this.windows.has(h);
  }

  setParent(h, parent) {
    const r = this.windows.get(h);
    if (!r || r.kind === Kind.Frame) return;
    const p = this.windows.get(parent);
    r.parent = p ? parent : 0;
    (p ? p.client : this.detached).appendChild(r.el);
  }

  // Left, top, width and height in the parent's client area; a frame's are its client
  // area's size (the page places it).
  setGeometry(h, left, top, width, height) {
    const r = this.windows.get(h);
    if (!r) return;
    r.geometry = [left, top, width, height];
    const box = r.kind === Kind.Frame ? r.client : r.el;
    if (r.kind !== Kind.Frame) {
      box.style.left = left + 'px';
      box.style.top = top + 'px';
    }
    box.style.width = Math.max(0, width) + 'px';
    // A drop-down combo box covers its open list with its height: the field is its own.
    const shown = r.combo ? r.combo.fieldHeight(height) : height;
    box.style.height = Math.max(0, shown) + 'px';
  }

  // ---- text, state, fonts

  text(h) {
    const r = this.windows.get(h);
    if (!r) return '';
    if (r.field) return r.field.value;
    if (r.combo) return r.combo.input.value;
    if (r.kind === Kind.Frame) return r.title ? r.title.textContent : (r.titleText || '');
    if (r.ip) return r.ip.text();
    return r.caption ? r.caption.textContent : '';
  }

  setText(h, text) {
    const r = this.windows.get(h);
    if (!r) return;
    if (r.field) r.field.value = text;
    else if (r.combo) r.combo.input.value = text;
    else if (r.kind === Kind.Frame) {
      r.titleText = text;
      if (r.title) r.title.textContent = text;
    } else if (r.caption) r.caption.textContent = text;
  }

  setEnabled(h, on) {
    const r = this.windows.get(h);
    if (!r) return;
    r.enabled = on;
    if (r.log) r.el.classList.toggle('dtu-disabled', !on);
    else if (r.field || r.kind === Kind.Button) r.el.disabled = !on;
    if (r.combo) r.combo.setEnabled(on);
    if (r.ip) r.ip.setEnabled(on);
  }

  setVisible(h, on) {
    const r = this.windows.get(h);
    if (!r) return;
    r.el.hidden = !on;
    if (!on && r.combo) r.combo.closeList();
  }

  setFont(h, face, size, weight, italic, underline, strike) {
    const r = this.windows.get(h);
    if (!r) return;
    const s = r.el.style;
    s.fontFamily = face ? `"${face.replace(/["\\]/g, '')}", var(--ui-font)` : '';
    s.fontSize = size > 0 ? size + 'px' : '';
    s.fontWeight = String(weight || 400);
    s.fontStyle = italic ? 'italic' : '';
    s.textDecoration = [underline ? 'underline' : '', strike ? 'line-through' : ''].join(' ').trim();
  }

  showFrame(h) {
    const r = this.windows.get(h);
    if (!r || r.kind !== Kind.Frame) return;
    r.el.hidden = false;
  }

  // ---- focus

  // The element that takes the browser's focus for a window.
  focusTarget(r) {
    if (r.log) return r.el;
    if (r.field) return r.field;
    if (r.combo) return r.combo.input;
    if (r.ip) return r.ip.focusTarget();
    if (r.kind === Kind.Button) return r.el;
    return null;
  }

  handleOf(node) {
    const el = node && node.closest ? node.closest('[data-handle]') : null;
    return el && this.stage.contains(el) ? Number(el.dataset.handle) : 0;
  }

  // The program moved the focus (0: nowhere); the browser follows without reporting it.
  focus(h) {
    this.focused = this.windows.has(h) ? h : 0;
    this.syncFocus();
  }

  syncFocus() {
    const r = this.windows.get(this.focused);
    const target = r ? this.focusTarget(r) : null;
    this.mute++;
    try {
      if (target && target !== document.activeElement && !target.contains(document.activeElement)) target.focus();
      else if (!target && this.stage.contains(document.activeElement)) document.activeElement.blur();
    } finally {
      this.mute--;
    }
  }

  onFocusIn(e) {
    if (this.mute > 0) return;
    const h = this.handleOf(e.target);
    if (h === 0 || h === this.focused) return;
    if (this.boxOpen) return;
    this.focused = h;
    this.queue.push([Ev.Focus, h]);
  }

  // ---- keys and typing

  onKeyDown(e) {
    if (e.isComposing || e.keyCode === 229) return;
    const key = kKeys[e.key];
    if (!key) return;
    const h = this.handleOf(e.target);
    const r = this.windows.get(h);
    if (r && r.combo && r.combo.takesKey(e)) return;
    e.preventDefault();
    if (this.boxOpen) return;
    const mods = (e.shiftKey ? 1 : 0) | (e.ctrlKey ? 2 : 0) | (e.altKey ? 4 : 0);
    this.queue.push([Ev.Key, h, key, mods]);
  }

  // Typed characters wait for the form's typing filter; pasted, dropped and composed text
  // goes in as the browser puts it.
  onBeforeInput(e) {
    if (e.inputType !== 'insertText' || !e.data) return;
    const h = this.handleOf(e.target);
    const r = this.windows.get(h);
    if (!r || !(r.field || (r.combo && e.target === r.combo.input))) return;
    e.preventDefault();
    if (this.boxOpen) return;
    for (const ch of e.data) this.queue.push([Ev.Char, h, ch.codePointAt(0)]);
  }

  onInput(e) {
    const h = this.handleOf(e.target);
    const r = this.windows.get(h);
    if (!r) return;
    if (r.combo) {
      if (e.target === r.combo.input) this.queue.push([Ev.ComboTyped, h]);
    } else if (r.field || r.ip) {
      this.queue.push([Ev.Changed, h]);
    }
  }

  // The program inserts text that passed the typing filter, as typing would: over the
  // selection, within the box's length limit. False when it does not fit.
  insertText(h, text) {
    const r = this.windows.get(h);
    const field = r && (r.field || (r.combo && r.combo.input));
    if (!field) return false;
    const start = field.selectionStart, end = field.selectionEnd;
    if (r.maxLength > 0 && field.value.length - (end - start) + text.length > r.maxLength) return false;
    field.setRangeText(text, start, end, 'end');
    return true;
  }

  // ---- edit boxes: selections in UTF-16 units of the field's value

  field(h) {
    const r = this.windows.get(h);
    return r ? (r.field || (r.combo && r.combo.input) || null) : null;
  }

  selection(h) {
    const f = this.field(h);
    return f ? [f.selectionStart, f.selectionEnd] : [0, 0];
  }

  setSelection(h, start, end) {
    const f = this.field(h);
    if (f) f.setSelectionRange(start, end);
  }

  replaceSelection(h, text) {
    const f = this.field(h);
    if (f) f.setRangeText(text, f.selectionStart, f.selectionEnd, 'end');
  }

  // Scrolls the box so that its caret shows.
  scrollCaret(h) {
    const f = this.field(h);
    if (!f) return;
    if (f instanceof LogView) {
      if (f.selectionEnd >= f.length) f.scrollToEnd();
    } else if (f.selectionEnd >= f.value.length) {
      f.scrollLeft = f.scrollWidth;
    } else if (f.selectionEnd === 0) {
      f.scrollLeft = 0;
    }
  }

  // Appends at the end, the caret after it and in view.
  append(h, text) {
    const f = this.field(h);
    if (!f) return;
    const end = f.value.length;
    f.setRangeText(text, end, end, 'end');
    if (f instanceof LogView) f.scrollToEnd();
    else f.scrollLeft = f.scrollWidth;
  }

  // Drops the first `count` UTF-16 units; the caret goes to the end, in view.
  dropFront(h, count) {
    const f = this.field(h);
    if (!f || count <= 0) return;
    f.setRangeText('', 0, count, 'preserve');
    const end = f.value.length;
    f.setSelectionRange(end, end);
    if (f instanceof LogView) f.scrollToEnd();
  }

  // The first `units` UTF-16 units of a box's text (of a long log: read only that far).
  textFront(h, units) {
    const f = this.field(h);
    if (!f) return '';
    return f instanceof LogView ? f.front(units) : f.value.slice(0, units);
  }

  // True when the caret's line is inside the visible part of the box.
  caretInView(h) {
    const f = this.field(h);
    if (!f) return false;
    if (!(f instanceof LogView)) return true;
    return f.selectionEnd < f.length || f.endInView();
  }
}
