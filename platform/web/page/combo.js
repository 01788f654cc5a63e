// A combo box on the page: an edit field with a drop-down button and the list that drops
// from it (read-only for a drop-down list). Items and the current one are the program's;
// what the user does (types, chooses an item) is queued for it.
import { Ev } from './events.js';
import { cssColour } from './colours.js';

export class ComboBox {
  constructor(controls, record, style) {
    this.controls = controls;
    this.record = record;
    this.style = style.style;  // 0 simple, 1 drop-down with edit field, 2 drop-down list
    this.items = [];
    this.current = -1;
    this.list = null;          // the open list
    this.highlight = -1;
    const el = document.createElement('div');
    el.className = 'dtu-combo dtu-field';
    el.style.color = cssColour(style.textColour);
    el.style.backgroundColor = cssColour(style.background);
    this.input = document.createElement('input');
    this.input.type = 'text';
    this.input.autocomplete = 'off';
    this.input.spellcheck = false;
    this.input.readOnly = this.style === 2;
    if (style.maxLength > 0) record.maxLength = style.maxLength;
    this.arrow = document.createElement('button');
    this.arrow.type = 'button';
    this.arrow.className = 'dtu-arrow';
    this.arrow.tabIndex = -1;
    this.arrow.textContent = '\u25BC';
    el.append(this.input, this.arrow);
    record.el = el;
    // The button opens or closes the list and leaves the focus in the field.
    this.arrow.addEventListener('mousedown', (e) => {
      e.preventDefault();
      if (!this.enabled) return;
      if (document.activeElement !== this.input) this.input.focus();
      if (this.list) this.closeList();
      else this.openList();
    });
    this.input.addEventListener('mousedown', () => {
      if (this.style === 2 && this.enabled) setTimeout(() => (this.list ? this.closeList() : this.openList()));
    });
    this.input.addEventListener('blur', () => this.closeList());
    this.enabled = true;
  }

  fieldHeight(height) {
    return this.style === 0 ? height : Math.min(height, 22);
  }

  setEnabled(on) {
    this.enabled = on;
    this.input.disabled = !on;
    this.record.el.classList.toggle('dtu-disabled', !on);
    if (!on) this.closeList();
  }

  // ---- the program's side

  insert(index, text) {
    const at = index < 0 || index > this.items.length ? this.items.length : index;
    this.items.splice(at, 0, text);
    if (this.current >= at) this.current++;
    if (this.list) this.renderList();
  }

  // Selects an item (-1: none); the field shows its text (nothing for none).
  select(index) {
    this.current = index >= 0 && index < this.items.length ? index : -1;
    this.input.value = this.current >= 0 ? this.items[this.current] : '';
    if (this.list) this.renderList();
  }

  // ---- the user's side

  choose(index) {
    if (index < 0 || index >= this.items.length) return;
    this.select(index);
    this.input.select();
    this.controls.queue.push([Ev.ComboChose, this.record.h, index]);
  }

  // Keys the combo box itself acts on: arrows move through the items, Alt+Down and F4 open
  // the list, and while it is open Enter chooses and Esc closes it. True when taken.
  takesKey(e) {
    if (!this.enabled || this.controls.boxOpen) return false;
    const open = this.list !== null;
    if ((e.key === 'ArrowDown' && e.altKey) || e.key === 'F4') {
      e.preventDefault();
      if (open) this.closeList();
      else this.openList();
      return true;
    }
    if (e.key === 'ArrowDown' || e.key === 'ArrowUp') {
      e.preventDefault();
      const from = open ? this.highlight : this.current;
      const to = Math.min(this.items.length - 1, Math.max(0, from + (e.key === 'ArrowDown' ? 1 : -1)));
      if (open) {
        this.highlight = to;
        this.renderList();
      } else if (to !== this.current) {
        this.choose(to);
      }
      return true;
    }
    if (open && (e.key === 'Enter' || e.key === 'Escape')) {
      e.preventDefault();
      const chosen = e.key === 'Enter' ? this.highlight : -1;
      this.closeList();
      if (chosen >= 0) this.choose(chosen);
      return true;
    }
    return false;
  }

  // The list drops below the field in the page's top layer, so nothing it passes over (the
  // form's edge, a group box) cuts it.
  openList() {
    if (this.list || this.items.length === 0) return;
    this.list = document.createElement('ul');
    this.list.className = 'dtu-list';
    this.list.popover = 'manual';
    this.list.addEventListener('mousedown', (e) => e.preventDefault());
    this.list.addEventListener('click', (e) => {
      const li = e.target.closest('li');
      if (!li) return;
      const index = Number(li.dataset.index);
      this.closeList();
      this.choose(index);
    });
    this.list.addEventListener('mousemove', (e) => {
      const li = e.target.closest('li');
      if (li && Number(li.dataset.index) !== this.highlight) {
        this.highlight = Number(li.dataset.index);
        this.renderList();
      }
    });
    this.highlight = this.current;
    const field = this.record.el.getBoundingClientRect();
    this.list.style.left = field.left + 'px';
    this.list.style.top = field.bottom + 'px';
    this.list.style.width = field.width + 'px';
    this.list.style.maxHeight = Math.min(30, this.items.length) * 18 + 2 + 'px';
    this.record.el.append(this.list);
    this.list.showPopover();
    this.renderList();
  }

  renderList() {
    if (!this.list) return;
    const rows = this.items.map((text, i) => {
      const li = document.createElement('li');
      li.textContent = text;
      li.dataset.index = String(i);
      if (i === this.highlight) li.className = 'dtu-current';
      return li;
    });
    this.list.replaceChildren(...rows);
    const shown = rows[this.highlight];
    if (shown) shown.scrollIntoView({ block: 'nearest' });
  }

  closeList() {
    if (!this.list) return;
    this.list.remove();
    this.list = null;
  }
}
