// The IP address box: four fields of up to three digits. "." (or a blank) moves to the
// next field, a full field moves on by itself, Backspace in an empty field goes back, and a
// part above 255 is cut to 255 when its field is left. Focus moves between its own fields
// are not focus moves of the form.
export class IpAddress {
  constructor(controls, record) {
    this.controls = controls;
    const el = document.createElement('div');
    el.className = 'dtu-ip dtu-field';
    this.fields = [];
    for (let i = 0; i < 4; i++) {
      if (i > 0) {
        const dot = document.createElement('span');
        dot.textContent = '.';
        el.append(dot);
      }
      const f = document.createElement('input');
      f.type = 'text';
      f.inputMode = 'numeric';
      f.autocomplete = 'off';
      f.maxLength = 3;
      f.addEventListener('beforeinput', (e) => this.filter(e, i));
      f.addEventListener('input', () => {
        if (f.value.length === 3 && i < 3 && f.selectionStart === 3) this.moveTo(i + 1);
      });
      f.addEventListener('keydown', (e) => this.key(e, i));
      f.addEventListener('blur', () => this.clamp(i));
      this.fields.push(f);
      el.append(f);
    }
    record.el = el;
  }

  focusTarget() {
    return this.fields.find((f) => f === document.activeElement) || this.fields[0];
  }

  filter(e, i) {
    if (e.inputType !== 'insertText' || !e.data) return;
    if (/^[0-9]+$/.test(e.data)) return;
    e.preventDefault();
    if ((e.data === '.' || e.data === ' ') && i < 3 && this.fields[i].value !== '') this.moveTo(i + 1);
  }

  key(e, i) {
    const f = this.fields[i];
    if (e.key === 'Backspace' && i > 0 && f.selectionStart === 0 && f.selectionEnd === 0) {
      e.preventDefault();
      this.moveTo(i - 1, true);
    } else if (e.key === 'ArrowLeft' && i > 0 && f.selectionStart === 0) {
      e.preventDefault();
      this.moveTo(i - 1, true);
    } else if (e.key === 'ArrowRight' && i < 3 && f.selectionEnd === f.value.length) {
      e.preventDefault();
      this.moveTo(i + 1);
    }
  }

  moveTo(i, atEnd = false) {
    const f = this.fields[i];
    f.focus();
    if (atEnd) f.setSelectionRange(f.value.length, f.value.length);
    else f.select();
  }

  clamp(i) {
    const f = this.fields[i];
    if (f.value !== '' && Number(f.value) > 255) {
      f.value = '255';
      f.dispatchEvent(new Event('input', { bubbles: true }));
    }
  }

  setEnabled(on) {
    for (const f of this.fields) f.disabled = !on;
    this.fields[0].parentElement.classList.toggle('dtu-disabled', !on);
  }

  set(parts) {
    parts.forEach((p, i) => (this.fields[i].value = String(p)));
  }

  clear() {
    for (const f of this.fields) f.value = '';
  }

  blank() {
    return this.fields.every((f) => f.value === '');
  }

  // The four parts; a field without digits reads as 0.
  parts() {
    return this.fields.map((f) => Math.min(255, Number(f.value.replace(/[^0-9]/g, '')) || 0));
  }

  text() {
    return this.blank() ? '' : this.parts().join('.');
  }
}
