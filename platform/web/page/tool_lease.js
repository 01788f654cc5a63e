// One tab at a time is the tool. The tab holding the site's lock "dtu-setup.tool" (Web Locks,
// kept by the browser for every tab of the site) loads data.txt, runs the program and saves;
// any other tab says that the tool is open in another tab and offers to take it over.
// The tool is handed over, never grabbed: asked over a broadcast channel, the holder stops
// saving (a save in progress finishes first) and closes its ports before it lets go of the
// lock, and the tab taking over loads data.txt only once it holds the lock, so it reads the
// file as the other one left it. A waiting tab gets the lock when the holder closes or its
// tool ends; one that gets it while another tab's user has asked for the tool passes it on.
const kLock = 'dtu-setup.tool';
const kChannel = 'dtu-setup.tool';
const kHandedOver = 'dtu-setup.taken-over';  // sessionStorage: this tab handed the tool over

// The notice's texts: Chinese, then English.
const kElsewhere = ['DTU 设置工具已在本浏览器的另一个标签页中打开。同一时间只有一个标签页使用它，以免两个标签页互相覆盖 data.txt。',
  'The tool is open in another tab of this browser. One tab at a time uses it, so that two tabs never overwrite each other\'s data.txt.'];
const kTakenOver = ['DTU 设置工具已由另一个标签页接管。', 'The tool was taken over by another tab.'];
const kWaiting = ['正在等待另一个标签页交出设置工具…', 'Waiting for the other tab to hand the tool over…'];

// Shows `lines` in `element`, a line each.
function say(element, lines) {
  element.replaceChildren(...lines.map((line) => {
    const span = document.createElement('span');
    span.textContent = line;
    return span;
  }));
}

export class ToolLease {
  // stop: async () => void, ends this tab's tool before it hands the tool over (nothing is
  // saved once it has resolved); handedOver: () => void, once the other tab may have it.
  constructor({ stop, handedOver }) {
    this.stop = stop;
    this.handedOver = handedOver;
    this.letGo = null;           // ends this tab's hold on the lock
    this.starting = false;       // acquire() has returned: this tab is the tool
    this.handing = false;
    this.othersAsking = false;   // another tab's user asked for the tool while this one waited
    this.channel = new BroadcastChannel(kChannel);
    this.channel.onmessage = (e) => {
      if (e.data !== 'take-over') return;
      if (this.starting && this.letGo) this.handOver();
      else this.othersAsking = true;
    };
  }

  // Resolves once this tab is the tool; until then the page says where the tool is.
  async acquire() {
    if (!(await this.request({ ifAvailable: true }))) {
      this.showNotice();
      for (;;) {
        await this.request({});
        if (!this.othersAsking) break;
        // Passed on (once) to the tab whose user asked for it; this one waits again.
        this.othersAsking = false;
        this.release();
      }
      document.getElementById('elsewhere').hidden = true;
      document.documentElement.dataset.state = 'starting';
    }
    try {
      sessionStorage.removeItem(kHandedOver);
    } catch (e) {
      // no session storage: the notice says only that the tool is elsewhere
    }
    this.starting = true;
  }

  // True once this tab holds the lock; false when `ifAvailable` and another tab has it.
  request(options) {
    return new Promise((resolve, reject) => {
      navigator.locks.request(kLock, options, (lock) => {
        if (!lock) {
          resolve(false);
          return undefined;
        }
        resolve(true);
        return new Promise((done) => (this.letGo = done));
      }).catch(reject);
    });
  }

  // Lets go of the lock (the tool ended, or it is handed over).
  release() {
    const letGo = this.letGo;
    this.letGo = null;
    if (letGo) letGo();
  }

  async handOver() {
    if (this.handing) return;
    this.handing = true;
    document.documentElement.dataset.state = 'handing-over';
    try {
      await this.stop();
    } catch (e) {
      console.warn('tool: stopping before the hand-over', e);
    }
    try {
      sessionStorage.setItem(kHandedOver, '1');
    } catch (e) {
      // the notice then says only that the tool is elsewhere
    }
    this.release();
    this.handedOver();
  }

  showNotice() {
    let takenOver = false;
    try {
      takenOver = sessionStorage.getItem(kHandedOver) === '1';
    } catch (e) {
      takenOver = false;
    }
    say(document.getElementById('elsewhere-text'), takenOver ? kTakenOver : kElsewhere);
    document.getElementById('take-over').onclick = () => {
      this.othersAsking = false;
      this.channel.postMessage('take-over');
      say(document.getElementById('take-over-status'), kWaiting);
    };
    document.getElementById('elsewhere').hidden = false;
    document.documentElement.dataset.state = 'elsewhere';
  }
}
