// Timers kept off the page's own thread: a page in a background tab has its timers held back
// (to once a second, later once a minute), a dedicated worker's are not. Each expiry comes
// back to the page as a message, which a background tab receives without delay.
'use strict';
const pending = new Map();
onmessage = (e) => {
  const [op, id, ms] = e.data;
  if (op === 'set') {
    pending.set(id, setTimeout(() => {
      pending.delete(id);
      postMessage(id);
    }, ms));
  } else if (pending.has(id)) {
    clearTimeout(pending.get(id));
    pending.delete(id);
  }
};
