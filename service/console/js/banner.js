// The strip under the bar that names every emergency notice showing now, on every page and for
// every role, with a link to the notice; operators and admins end a notice from it. One light
// request every few seconds keeps it true; it goes when the last notice ends.
import {ApiError, request} from './api.js';
import {el, setText} from './dom.js';
import {failureText} from './failure.js';
import {t} from './texts.js';

const kRefreshMs = 4000;

// A notice as one line of words: its text, or the program it shows by name.
export function noticeWhat(notice) {
  return notice.text ?? t('emergency.programShown', {name: notice.programName});
}

// Ends NOTICE after the user confirms; the refusal's words, '' when ended, null when not confirmed.
export async function endNotice(notice) {
  if (!window.confirm(t('emergency.confirmEnd', {id: notice.id, what: noticeWhat(notice)}))) return null;
  try {
    await request('DELETE', `/takeovers/${notice.id}`);
    return '';
  } catch (e) {
    if (e instanceof ApiError && e.status === 409) return t('emergency.alreadyEnded', {id: notice.id});
    return failureText(e);
  }
}

export class EmergencyBanner {
  // NODE is the strip; CONTEXT says who is logged in and whether requests may go out now.
  constructor(node, context) {
    this.node = node;
    this.context = context;
    this.timer = 0;
    this.round = 0;
    this.key = '';
    this.list = el('ul', {className: 'notices'});
    this.note = el('p', {className: 'note', role: 'alert'});
    this.node.setAttribute('aria-label', t('emergency.bannerLabel'));
    this.node.replaceChildren(this.list, this.note);
  }

  // Refreshes now and then every few seconds until stop().
  start() {
    this.refresh();
  }

  stop() {
    ++this.round;
    clearTimeout(this.timer);
    this.key = '';
    this.node.hidden = true;
    this.list.replaceChildren();
    setText(this.note, '');
  }

  async refresh() {
    const mine = ++this.round;
    clearTimeout(this.timer);
    if (!this.context.paused()) {
      try {
        const active = await request('GET', '/takeovers?active=true');
        if (mine === this.round) this.show(active);
      } catch {
        // The connection banner or the login form says why; the next round tries again.
      }
    }
    if (mine === this.round) this.timer = setTimeout(() => this.refresh(), kRefreshMs);
  }

  show(active) {
    // Rebuilt only when something changed, so that a focused button keeps its focus.
    const key =
        JSON.stringify([this.context.mayOperate(), active.map((n) => [n.id, n.text, n.programName, n.until])]);
    if (key === this.key) return;
    this.key = key;
    if (!active.length) setText(this.note, '');
    this.node.hidden = active.length === 0;
    this.list.replaceChildren(...active.map((n) => this.line(n)));
  }

  line(notice) {
    const until = notice.until ?
        t('emergency.bannerUntil', {until: notice.until.replace('T', ' ').slice(0, 16)}) :
        t('emergency.bannerOpen');
    return el(
        'li', {}, el('strong', {}, t('emergency.bannerTitle', {id: notice.id})), ' ',
        el('span', {className: 'what'}, noticeWhat(notice)), ' ', el('span', {className: 'until'}, until),
        ' ', el('a', {href: `#/emergency/${notice.id}`}, t('emergency.bannerView')),
        this.context.mayOperate() ? el('button', {
          type: 'button',
          className: 'end',
          'aria-label': t('emergency.endLabel', {id: notice.id}),
          onClick: async () => {
            const said = await endNotice(notice);
            if (said === null) return;
            setText(this.note, said);
            this.refresh();
          }
        },
                                       t('emergency.end')) :
                                    null);
  }
}
