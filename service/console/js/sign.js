// A sign's page: its details, what it shows now (the live LED view, fed by the service's frames),
// and for operators its commands: push, set its clock, pull its program back, set its brightness.
import {ApiError, request} from './api.js';
import {signHistory} from './audit.js';
import {el, setText} from './dom.js';
import {shortTime} from './format.js';
import {frameRows, LedView, shareOf} from './ledview.js';
import {PushDialog, refusalText, sendJob} from './push.js';
import {placeForm, placeText} from './signplace.js';
import {holdsText, stateOf} from './signs.js';
import {t} from './texts.js';
import {TodayPlan} from './todayplan.js';

const kRefreshMs = 5000;
const kRetryMs = 1000;  // while the service cannot be reached
const kFrameMs = 250;   // at most four frames a second for one view when frames are asked for
const kStreamRetryMs = 30000;
const kPullPollMs = 500;

function onOffText(onOff) {
  if (!onOff) return '-';
  return onOff.enabled ? t('sign.onOffTimes', {on: onOff.on, off: onOff.off}) : t('sign.onOffUnused');
}

// The detail list's entries for SIGN.
function details(sign, programs) {
  const s = sign.settings ?? {};
  return [
    ['sign.link', sign.link],
    ['sign.model', sign.model],
    ['sign.size', t('sign.sizeValue', {width: sign.width, height: sign.height})],
    ['sign.location', sign.location || '-'],
    ['place.label', placeText(sign)],
    ['sign.notes', sign.notes || '-'],
    ['col.groups', sign.groups.length ? sign.groups.join(', ') : t('none')],
    ['col.holds', holdsText(sign, programs)],
    ['col.since', shortTime(sign.holds?.since) || '-'],
    ['col.lastAnswer', shortTime(sign.lastAnswer) || t('none')],
    ['sign.brightness', s.brightness ? String(s.brightness.level) : '-'],
    ['sign.onOff', onOffText(s.onOff)],
    ['sign.job', sign.busyJob ? t('sign.jobValue', {job: sign.busyJob}) : t('none')],
  ];
}

// The sign's local time now as the frame endpoint takes it: the service's clock (measured against
// the page's when the page opened) plus the sign's clock offset.
function signTime(serviceOffsetMs, sign) {
  const ms = Date.now() + serviceOffsetMs + (sign.settings?.clock?.offsetMs ?? 0);
  return new Date(ms).toISOString().slice(0, 23);
}

async function serviceOffset() {
  const health = await request('GET', '/health');
  const service = Date.parse(health.time + 'Z');  // local times compared as if both were UTC
  const page = Date.now() - new Date().getTimezoneOffset() * 60000;
  return Number.isFinite(service) ? service - page : 0;
}

// Plays the sign's frames into a LED view until stopped: from the service's stream of them while
// the page is shown, else by asking for a frame every kFrameMs (a stream that failed or was
// refused is tried again after kStreamRetryMs). Nothing runs while the page is hidden or paused.
class LiveFeed {
  constructor(view, note) {
    this.view = view;
    this.note = note;
    this.last = null;
    this.stopped = false;
    this.timer = 0;
    this.stream = null;
    this.streamFailedAt = -Infinity;
    this.onVisibility = () => {
      if (document.hidden) this.closeStream();
    };
  }

  async start(getSign, paused) {
    try {
      this.offset = await serviceOffset();
    } catch {
      this.offset = 0;
    }
    document.addEventListener('visibilitychange', this.onVisibility);
    const round = async () => {
      const sign = getSign();
      if (!sign || paused() || document.hidden) {
        this.closeStream();
      } else if (typeof EventSource === 'function' && Date.now() - this.streamFailedAt > kStreamRetryMs) {
        this.openStream(sign, getSign);
      } else if (!(await this.frame(sign))) {
        return;
      }
      if (!this.stopped) this.timer = setTimeout(round, kFrameMs);
    };
    round();
  }

  openStream(sign, getSign) {
    if (this.stream || this.stopped) return;
    const stream = new EventSource(`/api/v1/signs/${sign.id}/frames`);
    stream.addEventListener('frame', (e) => {
      if (this.stream !== stream) return;
      const current = getSign() ?? sign;
      this.draw(current, JSON.parse(e.data).rows);
    });
    // A refusal, a lost connection or a stream the service ended: frames are asked for one by
    // one, which also tells why none can be had.
    stream.onerror = () => {
      if (this.stream !== stream) return;
      this.streamFailedAt = Date.now();
      this.closeStream();
    };
    this.stream = stream;
  }

  closeStream() {
    this.stream?.close();
    this.stream = null;
  }

  draw(sign, text) {
    const share = shareOf(sign);
    const key = `${share}|${text}`;
    if (key === this.last) return;
    this.last = key;
    this.view.node.hidden = false;
    this.view.show(frameRows(text), {share});
    setText(this.note, '');
  }

  // One frame; false when no frames can be had for this sign.
  async frame(sign) {
    try {
      const at = encodeURIComponent(signTime(this.offset, sign));
      const text = await request('GET', `/signs/${sign.id}/frame?at=${at}`, undefined, true);
      if (this.stopped) return false;
      this.draw(sign, text);
      return true;
    } catch (e) {
      if (e instanceof ApiError && (e.status === 404 || e.status === 405)) {
        setText(this.note, t('live.unavailable'));
        return false;
      }
      if (e instanceof ApiError && e.status === 422) setText(this.note, t('live.outOfRange'));
      return true;
    }
  }

  stop() {
    this.stopped = true;
    clearTimeout(this.timer);
    this.closeStream();
    document.removeEventListener('visibilitychange', this.onVisibility);
  }
}

// Follows pull JOB of SIGN until it ends, its progress in STATUS while ALIVE(); once done, a link
// to the program version it became.
async function followPull(sign, job, status, alive) {
  for (;;) {
    await new Promise((resolve) => setTimeout(resolve, kPullPollMs));
    if (!alive()) return;
    let record;
    try {
      record = await request('GET', `/jobs/${job}`);
    } catch (e) {
      if (e instanceof ApiError && e.status === 0) continue;  // the page says the service is away
      throw e;
    }
    const mine = record.signs.find((s) => s.sign === sign.id) ?? {};
    if (record.state === 'done') {
      const now = await request('GET', `/signs/${sign.id}`);
      const held = now.holds ?? {};
      const program = await request('GET', `/programs/${held.program}`);
      status.replaceChildren(
          t('pull.done', {sign: sign.name}),
          el('a', {href: `#/programs/${held.program}`, id: 'pulled-program'},
             t('pull.program', {name: program.name, version: held.version})));
      return;
    }
    if (record.state === 'failed')
      return setText(status, t('pull.failed', {sign: sign.name, message: mine.message}));
    if (record.state === 'cancelled') return setText(status, t('pull.cancelled', {job}));
    if (mine.total > 0)
      setText(
          status, t('pull.progress', {sign: sign.name, percent: Math.floor((mine.done * 100) / mine.total)}));
  }
}

function commands(context, getSign, getPrograms, status, refresh, alive) {
  const done = (text) => {
    setText(status, text);
    refresh();
  };
  const dialog = new PushDialog(done);
  const run = async (action, params) => {
    const sign = getSign();
    try {
      const job = await sendJob(action, sign, params);
      done(t('command.started', {sign: sign.name, job}));
    } catch (e) {
      setText(status, await refusalText(e, sign));
    }
  };
  const pull =
      el('button', {
        type: 'button',
        id: 'pull-program',
        onClick: async () => {
          const sign = getSign();
          pull.disabled = true;
          try {
            const job = (await request('POST', `/signs/${sign.id}/pull`)).id;
            setText(status, t('pull.started', {sign: sign.name, job}));
            await followPull(sign, job, status, alive);
            refresh();
          } catch (e) {
            setText(status, await refusalText(e, sign));
          } finally {
            pull.disabled = false;
          }
        }
      },
         t('command.pull'));
  const level =
      el('select', {id: 'brightness-level'},
         Array.from({length: 10}, (_, i) => el('option', {value: i + 1, selected: i === 9}, String(i + 1))));
  return el(
      'section', {className: 'commands', 'aria-labelledby': 'commands-title'},
      el('h2', {id: 'commands-title'}, t('col.actions')),
      el('div', {className: 'command-row'},
         el('button',
            {type: 'button', className: 'push', onClick: () => dialog.open(getSign(), getPrograms())},
            t('push.title')),
         el('button', {type: 'button', onClick: () => run('clock')}, t('command.clock')), pull),
      el('form', {
        className: 'command-row',
        onSubmit: (e) => {
          e.preventDefault();
          run('brightness', {level: Number(level.value)});
        }
      },
         el('label',
            { for: 'brightness-level'
            },
            t('sign.brightness')),
         level, el('button', {type: 'submit'}, t('command.brightness'))),
      dialog.node);
}

// Fills VIEW with sign ID's page and keeps it current; the returned function stops it.
export function mountSign(view, context, id) {
  let sign = null;
  let programs = new Map();
  const title = el('h1');
  const state =
      el('span', {className: 'state'}, el('span', {className: 'dot', 'aria-hidden': 'true'}), el('span'));
  const stateBox = el('span', {}, state);
  const list = el('dl', {className: 'details'});
  const status = el('p', {className: 'status', role: 'status'});
  const liveNote = el('p', {className: 'note-muted'}, t('live.waiting'));
  const leds = new LedView(t('live.label'));
  leds.node.hidden = true;
  const back = el('a', {href: '#/signs', className: 'back'}, t('sign.back'));
  let refresh = async () => {};
  // The audit log is the admins' to read.
  const history = context.role === 'admin' ? signHistory(id) : null;
  const plan = new TodayPlan(id);
  const place = context.role === 'admin' ? placeForm(() => sign, () => refresh()) : null;
  view.append(
      back, el('div', {className: 'heading'}, title, stateBox), status,
      el('div', {className: 'sign-page'},
         el('section', {className: 'live', 'aria-labelledby': 'live-title'},
            el('h2', {id: 'live-title'}, t('live.title')), leds.node, liveNote),
         plan.node,
         el('section', {'aria-labelledby': 'details-title'},
            el('h2', {id: 'details-title'}, t('sign.details')), list),
         context.mayOperate() ?
             commands(context, () => sign, () => programs, status, () => refresh(), () => !stopped) :
             null,
         place?.node),
      ...(history ? [history.node] : []));

  function show() {
    setText(title, sign.name);
    leds.canvas.setAttribute('aria-label', t('live.label', {sign: sign.name}));
    stateBox.className = 'state-' + stateOf(sign);
    setText(state.lastChild, t('state.' + stateOf(sign)));
    list.replaceChildren(
        ...details(sign, programs).flatMap(([key, value]) => [el('dt', {}, t(key)), el('dd', {}, value)]));
  }

  let timer = 0;
  let stopped = false;
  refresh = async () => {
    clearTimeout(timer);
    let wait = kRefreshMs;
    if (!context.paused()) {
      try {
        const [s, list] = await Promise.all([request('GET', `/signs/${id}`), request('GET', '/programs')]);
        if (stopped) return;
        sign = s;
        programs = new Map(list.map((p) => [p.id, p]));
        show();
        await history?.load();
      } catch (e) {
        if (e instanceof ApiError && e.status === 404) setText(title, t('sign.missing'));
        if (e instanceof ApiError && e.status === 0) wait = kRetryMs;
      }
    }
    if (!stopped) timer = setTimeout(refresh, wait);
  };
  const feed = new LiveFeed(leds, liveNote);
  refresh().then(() => {
    place?.fill();
    feed.start(() => sign, context.paused);
    plan.load(() => programs);
  });
  return () => {
    stopped = true;
    plan.stop();
    clearTimeout(timer);
    feed.stop();
  };
}
