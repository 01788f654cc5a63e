// A multi-line edit box as the page shows it: its lines as elements, grouped in blocks that
// the browser lays out only while they can be seen. The traffic monitor keeps up to a MiB of
// text; a textarea lays out all of it on every change (most of a second at that size), this
// lays out the line that changed. Appending at the end and dropping from the front cost what
// they add or drop; any other change rebuilds the lines.
//
// Its text, selection and caret are the program's: the user reads, scrolls, selects and
// copies (Ctrl+A takes the box's whole text), and types nothing into it (the form's keys
// still reach the form). The calls mirror a textarea's (value, selectionStart/End,
// setSelectionRange, setRangeText), so the controls use it as one.
const kLinesPerBlock = 256;

export class LogView {
  constructor() {
    this.el = document.createElement('div');
    this.el.className = 'dtu-log';
    this.el.tabIndex = 0;
    this.lines = [''];      // the text, split at its line feeds
    this.first = 0;         // lines before this one have been dropped
    this.length = 0;        // UTF-16 units of the text, line feeds included
    this.selectionStart = this.selectionEnd = 0;
    this.blocks = [];       // [{el, count}] in order; each holds `count` line elements
    this.disabled = false;
    this.readOnly = false;
    this.render();
    this.el.addEventListener('keydown', (e) => {
      if ((e.ctrlKey || e.metaKey) && e.key.toLowerCase() === 'a') {
        e.preventDefault();
        const range = document.createRange();
        range.selectNodeContents(this.el);
        const selection = getSelection();
        selection.removeAllRanges();
        selection.addRange(range);
      }
    });
  }

  get value() {
    return this.lines.slice(this.first).join('\n');
  }

  set value(text) {
    this.lines = text.split('\n');
    this.first = 0;
    this.length = text.length;
    this.selectionStart = Math.min(this.selectionStart, this.length);
    this.selectionEnd = Math.min(this.selectionEnd, this.length);
    this.render();
  }

  // The first `units` UTF-16 units, reading only the lines they come from.
  front(units) {
    let out = '';
    for (let i = this.first; i < this.lines.length && out.length < units; i++) {
      out += (i > this.first ? '\n' : '') + this.lines[i];
    }
    return out.slice(0, units);
  }

  setSelectionRange(start, end) {
    this.selectionStart = Math.max(0, Math.min(start, this.length));
    this.selectionEnd = Math.max(this.selectionStart, Math.min(end, this.length));
  }

  // Replaces [start, end) by `text`; the selection follows as a textarea's does ('end': the
  // caret after the text; 'preserve': kept where the text around it went).
  setRangeText(text, start, end, mode = 'preserve') {
    start = Math.max(0, Math.min(start, this.length));
    end = Math.max(start, Math.min(end, this.length));
    if (start === this.length && end === this.length) this.appendAtEnd(text);
    else if (start === 0 && text === '') this.dropFrontUnits(end);
    else this.value = this.value.slice(0, start) + text + this.value.slice(end);
    const delta = text.length - (end - start);
    if (mode === 'end') {
      this.selectionStart = this.selectionEnd = start + text.length;
    } else {
      const moved = (p) => (p <= start ? p : p >= end ? p + delta : start);
      this.setSelectionRange(moved(this.selectionStart), moved(this.selectionEnd));
    }
  }

  scrollToEnd() {
    this.el.scrollTop = this.el.scrollHeight;
  }

  // True while the end of the text is in sight.
  endInView() {
    return this.el.scrollTop + this.el.clientHeight >= this.el.scrollHeight - 1;
  }

  // ---- the lines as elements

  lineElement(text) {
    const line = document.createElement('div');
    line.textContent = text;
    return line;
  }

  newBlock() {
    const block = { el: document.createElement('div'), count: 0 };
    block.el.className = 'dtu-log-block';
    this.el.append(block.el);
    this.blocks.push(block);
    return block;
  }

  addLine(text) {
    let block = this.blocks[this.blocks.length - 1];
    if (!block || block.count >= kLinesPerBlock) block = this.newBlock();
    block.el.append(this.lineElement(text));
    block.count++;
  }

  render() {
    this.el.replaceChildren();
    this.blocks = [];
    for (let i = this.first; i < this.lines.length; i++) this.addLine(this.lines[i]);
  }

  appendAtEnd(text) {
    const parts = text.split('\n');
    const last = this.lines.length - 1;
    this.lines[last] += parts[0];
    const block = this.blocks[this.blocks.length - 1];
    block.el.lastChild.textContent = this.lines[last];
    for (let i = 1; i < parts.length; i++) {
      this.lines.push(parts[i]);
      this.addLine(parts[i]);
    }
    this.length += text.length;
  }

  dropFrontUnits(units) {
    let left = Math.min(units, this.length);
    this.length -= left;
    while (left > 0) {
      const line = this.lines[this.first];
      const block = this.blocks[0];
      if (left > line.length && this.first < this.lines.length - 1) {
        left -= line.length + 1;  // the line and its line feed
        this.first++;
        block.el.firstChild.remove();
        if (--block.count === 0) {
          block.el.remove();
          this.blocks.shift();
        }
      } else {
        this.lines[this.first] = line.slice(left);
        block.el.firstChild.textContent = this.lines[this.first];
        left = 0;
      }
    }
    if (this.first > 4096 && this.first * 2 > this.lines.length) {
      this.lines = this.lines.slice(this.first);
      this.first = 0;
    }
  }
}
