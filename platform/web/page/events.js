// The one queue between the page and the program. Everything the browser reports to the
// program (clicks, keys, typing, focus moves, timer expiries, bytes from a port, a message
// box's answer) is queued here, and the program takes it when it dispatches. The browser
// never calls into the program: when the program waits, it is handed a promise that the next
// queued item, or the end of its wait, settles.
export const Ev = Object.freeze({
  Click: 1,        // [handle]
  Changed: 2,      // [handle]               text changed by the user (deleting, pasting, ...)
  Focus: 3,        // [handle]               the user moved the focus to handle
  Key: 4,          // [handle, key, mods]    Tab, Enter, Esc or F1 pressed (mods: 1 shift, 2 ctrl, 4 alt)
  Char: 5,         // [handle, code point]   a character about to be typed
  ComboTyped: 6,   // [handle]               the user typed into a combo box's field
  ComboChose: 7,   // [handle, index]        the user chose an item of a combo box's list
  Close: 8,        // [handle]               the user asked a frame to close
  Timer: 9,        // [timer]                a window timer expired (the program's number for it)
  Serial: 10,      // [device]               a port has something to report
  BoxAnswer: 11,   // [box, button id]
});

export class EventQueue {
  constructor(timers) {
    this.timers = timers;
    this.items = [];
    this.head = 0;
    this.waiter = null;
    this.pendingTimers = new Set();  // one expiry of a timer waits at a time
  }

  push(item) {
    this.items.push(item);
    this.wake();
  }

  // A timer's expiry, unless one of the same timer is still waiting to be taken.
  pushTimer(timer) {
    if (this.pendingTimers.has(timer)) return;
    this.pendingTimers.add(timer);
    this.push([Ev.Timer, timer]);
  }

  get length() {
    return this.items.length - this.head;
  }

  // The oldest item, or undefined.
  take() {
    if (this.head >= this.items.length) return undefined;
    const item = this.items[this.head++];
    if (this.head > 1024 && this.head * 2 > this.items.length) {
      this.items = this.items.slice(this.head);
      this.head = 0;
    }
    if (item[0] === Ev.Timer) this.pendingTimers.delete(item[1]);
    return item;
  }

  wake() {
    const waiter = this.waiter;
    if (!waiter) return;
    this.waiter = null;
    waiter(true);
  }

  // Settles true when something is queued, false when `timeoutMs` passed first (a negative
  // time-out never passes).
  wait(timeoutMs) {
    if (this.length > 0) return Promise.resolve(true);
    if (timeoutMs === 0) return Promise.resolve(false);
    return new Promise((resolve) => {
      let timer = 0;
      const settle = (queued) => {
        if (timer) this.timers.cancel(timer);
        resolve(queued);
      };
      this.waiter = settle;
      if (timeoutMs > 0) {
        timer = this.timers.after(timeoutMs, () => {
          timer = 0;
          if (this.waiter === settle) {
            this.waiter = null;
            resolve(false);
          }
        });
      }
    });
  }
}
