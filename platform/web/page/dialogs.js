// Message boxes: modal dialogs over the page, buttons and icon from the style bits the
// program passes, each answer queued for the program as the id of the button pressed.
import { Ev } from './events.js';

// Button ids, and the button sets of the style's low four bits with the answer that Esc
// (or closing the box) gives; 0: Esc does not close the box.
const Id = { Ok: 1, Cancel: 2, Abort: 3, Retry: 4, Ignore: 5, Yes: 6, No: 7 };
const kLabels = { 1: '确定', 2: '取消', 3: '中止(A)', 4: '重试(R)', 5: '忽略(I)', 6: '是(Y)', 7: '否(N)' };
const kSets = [
  [[Id.Ok], Id.Ok],
  [[Id.Ok, Id.Cancel], Id.Cancel],
  [[Id.Abort, Id.Retry, Id.Ignore], 0],
  [[Id.Yes, Id.No, Id.Cancel], Id.Cancel],
  [[Id.Yes, Id.No], 0],
  [[Id.Retry, Id.Cancel], Id.Cancel],
];
const kIcons = { 0x10: ['dtu-error', '\u2715'], 0x20: ['dtu-question', '?'], 0x30: ['dtu-warning', '!'],
  0x40: ['dtu-information', 'i'] };

export class Dialogs {
  constructor(controls, queue) {
    this.controls = controls;
    this.queue = queue;
    this.next = 1;
    this.open = new Map();  // box id -> dialog element
    controls.dialogs = this;
  }

  // Shows a box; its answer is queued as [Ev.BoxAnswer, id, button]. Returns the id, or 0
  // when the style names no button set.
  show(text, caption, style) {
    const [buttons, escape] = kSets[style & 0xF] || kSets[0];
    const id = this.next++;
    const box = document.createElement('dialog');
    box.className = 'dtu-box';
    const head = document.createElement('div');
    head.className = 'dtu-box-caption';
    head.textContent = caption;
    const body = document.createElement('div');
    body.className = 'dtu-box-body';
    const icon = kIcons[style & 0xF0];
    if (icon) {
      const mark = document.createElement('div');
      mark.className = 'dtu-box-icon ' + icon[0];
      mark.textContent = icon[1];
      body.append(mark);
    }
    const message = document.createElement('div');
    message.className = 'dtu-box-text';
    message.textContent = text;
    body.append(message);
    const row = document.createElement('div');
    row.className = 'dtu-box-buttons';
    for (const b of buttons) {
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = kLabels[b];
      button.dataset.answer = String(b);
      button.addEventListener('click', () => this.answer(id, b));
      row.append(button);
    }
    box.append(head, body, row);
    box.addEventListener('cancel', (e) => {
      e.preventDefault();
      if (escape) this.answer(id, escape);
    });
    document.body.append(box);
    this.open.set(id, box);
    box.showModal();
    row.firstChild.focus();
    return id;
  }

  answer(id, button) {
    const box = this.open.get(id);
    if (!box) return;
    box.close();  // the focus it hands back meanwhile is not the user's move
    box.remove();
    this.open.delete(id);
    // The program puts the focus back where the form has it once it has the answer.
    this.queue.push([Ev.BoxAnswer, id, button]);
  }
}
