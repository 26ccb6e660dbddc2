// The live LED views of the signs page. A browser opens only six connections to a server, so the
// views on screen share one stream of frames from the service, opened again when the set of
// views on screen changes; nothing streams while the page is hidden or requests are paused.
import {frameRows, LedView, shareOf} from './ledview.js';
import {t} from './texts.js';

const kMaxSigns = 40;   // the service's bound for one stream
const kSettleMs = 300;  // the set is taken once scrolling has paused
const kRetryMs = 5000;  // after a stream that was refused or ended
const kWidth = 192;     // CSS pixels a view takes at most

// Whether the service plays SIGN's frames: it answers and what it holds is known.
export function showsFrames(sign) {
  return Boolean(sign.holds) && (sign.state === 'online' || sign.state === 'busy');
}

export class LiveFrames {
  // PAUSED(): true while requests must not go out (the login form shows).
  constructor(paused) {
    this.paused = paused;
    this.views = new Map();    // sign id -> {view, sign, node, visible}
    this.ids = new WeakMap();  // row -> sign id
    this.observer = new IntersectionObserver((entries) => this.seen(entries), {rootMargin: '100px'});
    this.stream = null;
    this.key = '';
    this.timer = 0;
    this.onVisibility = () => this.schedule();
    document.addEventListener('visibilitychange', this.onVisibility);
  }

  // SIGN's view, shown in the row NODE: made once and kept while the sign shows frames.
  viewOf(sign, node) {
    let v = this.views.get(sign.id);
    if (!v) {
      v = {view: new LedView(t('live.label', {sign: sign.name})), node, visible: false};
      v.view.node.classList.add('led-view-small');
      this.views.set(sign.id, v);
      this.ids.set(node, sign.id);
      this.observer.observe(node);
    }
    v.sign = sign;
    return v.view;
  }

  forget(id) {
    const v = this.views.get(id);
    if (!v) return;
    this.observer.unobserve(v.node);
    this.views.delete(id);
    this.schedule();
  }

  seen(entries) {
    for (const entry of entries) {
      const v = this.views.get(this.ids.get(entry.target));
      if (v) v.visible = entry.isIntersecting;
    }
    this.schedule();
  }

  schedule() {
    clearTimeout(this.timer);
    this.timer = setTimeout(() => this.connect(), kSettleMs);
  }

  connect() {
    const wanted = document.hidden || this.paused() ?
        [] :
        [...this.views].filter(([, v]) => v.visible && !v.node.hidden).map(([id]) => id).slice(0, kMaxSigns);
    const key = wanted.join(',');
    if (key === this.key && (this.stream || !key)) return;
    this.close();
    this.key = key;
    if (!key || typeof EventSource !== 'function') return;
    const stream = new EventSource(`/api/v1/frames?signs=${key}`);
    stream.addEventListener('frame', (e) => {
      const frame = JSON.parse(e.data);
      this.draw(frame.sign, frame.rows);
    });
    // Lost connections are taken up again by the browser; a refusal or an ended stream is
    // tried again after a while.
    stream.onerror = () => {
      if (this.stream !== stream || stream.readyState !== EventSource.CLOSED) return;
      this.close();
      this.timer = setTimeout(() => this.connect(), kRetryMs);
    };
    this.stream = stream;
  }

  draw(id, text) {
    const v = this.views.get(id);
    if (!v) return;
    const rows = frameRows(text);
    const columns = Math.max(1, ...rows.map((row) => row.length));
    v.view.show(
        rows, {share: shareOf(v.sign), pitch: Math.max(1, Math.min(4, Math.floor(kWidth / columns)))});
  }

  close() {
    this.stream?.close();
    this.stream = null;
    this.key = '';
  }

  stop() {
    clearTimeout(this.timer);
    this.close();
    this.observer.disconnect();
    document.removeEventListener('visibilitychange', this.onVisibility);
  }
}
