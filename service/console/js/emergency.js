// The emergency notice: operators and admins send a text to chosen signs and groups at once, after
// a confirmation that says what will happen and on how many signs; a notice's page shows each
// sign's acknowledgement as it arrives and ends the notice. Every notice is listed, the newest first.
import {ApiError, request} from './api.js';
import {endNotice, noticeWhat} from './banner.js';
import {el, field, setText} from './dom.js';
import {failureText, textOr} from './failure.js';
import {shortTime} from './format.js';
import {t} from './texts.js';

// The service's names for the colours and the text entry effects.
const kColours = ['빨강색', '초록색', '노랑색'];
const kEffects = [
  '효과없음', '지나가기', '오른쪽에서 들어오기', '왼쪽에서 들어오기', '위에서 들어오기', '아래에서 들어오기',
  '좌/우에서 가운데로 합치기', '가운데에서 좌/우로 나타나기', '위/아래에서 가운데로 합치기',
  '가운데에서 위/아래로 나타나기'
];
const kMaxBytes = 511;  // a sentence line's limit in CP949
const kPendingMs = 1000;
const kRefreshMs = 5000;

// The CP949 length of TEXT: one byte for ASCII, two for anything else the sign can show.
const cp949Bytes = (text) => [...text].reduce((n, c) => n + (c.codePointAt(0) < 0x80 ? 1 : 2), 0);

// "YYYY-MM-DDTHH:MM[:SS]" from a date-time field as the service takes it, with seconds.
const withSeconds = (value) => (value.length === 16 ? value + ':00' : value);

// Runs LOAD now and again after the delay it returns, until the returned stop() is called.
function repeat(context, load) {
  let timer = 0;
  let stopped = false;
  const run = async () => {
    let delay = kRefreshMs;
    if (!context.paused()) {
      try {
        delay = (await load(() => stopped)) ?? kRefreshMs;
      } catch {
        // The connection banner or the login form says why; the next round tries again.
      }
    }
    if (!stopped) timer = setTimeout(run, delay);
  };
  run();
  return () => {
    stopped = true;
    clearTimeout(timer);
  };
}

function targetsText(notice, signName) {
  return [
    ...notice.signs.map(signName), ...notice.groups.map((g) => t('calendar.groupTarget', {group: g}))
  ].join(', ');
}

function untilText(until) {
  return until ? t('emergency.untilTime', {until: shortTime(until)}) : t('emergency.untilEnded');
}

// The form that composes a notice and the dialog that confirms it; SEND(body) creates it and
// throws the service's refusal.
class NoticeForm {
  constructor(send) {
    this.send = send;
    this.signs = [];
    this.groups = [];
    this.text =
        el('textarea', {id: 'notice-text', rows: 2, autocomplete: 'off', 'aria-describedby': 'notice-bytes'});
    this.bytes = el('p', {className: 'note-muted', id: 'notice-bytes'});
    this.text.addEventListener('input', () => this.countBytes());
    this.colour =
        el('select', {id: 'notice-colour'},
           kColours.map((c) => el('option', {value: c}, textOr('colour.' + c, c))));
    this.effect =
        el('select', {id: 'notice-effect'},
           kEffects.map((e) => el('option', {value: e}, textOr('effect.' + e, e))));
    this.targets = el('fieldset', {className: 'members notice-targets'});
    this.open =
        el('input', {type: 'radio', name: 'notice-until', id: 'notice-open', value: 'open', checked: true});
    this.timed = el('input', {type: 'radio', name: 'notice-until', id: 'notice-timed', value: 'timed'});
    this.until = el('input', {
      type: 'datetime-local',
      id: 'notice-until',
      step: 1,
      'aria-label': t('emergency.untilField'),
      onInput: () => {
        if (this.until.value) this.timed.checked = true;
      }
    });
    this.note = el('p', {className: 'note', role: 'alert', id: 'notice-note'});
    this.node = el(
        'form', {
          className: 'entry-form notice-form',
          'aria-labelledby': 'notice-title',
          novalidate: true,
          onSubmit: (e) => this.ask(e)
        },
        el('h2', {id: 'notice-title'}, t('emergency.formTitle')), this.note,
        el('div', {className: 'notice-fields'}, field(t('emergency.text'), this.text), this.bytes,
           field(t('emergency.colour'), this.colour), field(t('emergency.effect'), this.effect), this.targets,
           el('fieldset', {className: 'until'}, el('legend', {}, t('emergency.until')),
              el('label', {className: 'check'}, this.open, t('emergency.untilEnded')),
              el('label', {className: 'check'}, this.timed, t('emergency.untilChosen')), this.until)),
        el('div', {className: 'buttons'}, el('button', {type: 'submit'}, t('emergency.review'))));
    this.summary = el('p', {id: 'confirm-summary'});
    this.confirmText = el('p', {className: 'confirm-text'});
    this.sendButton = el('button', {type: 'submit', id: 'confirm-send'}, t('emergency.send'));
    this.dialog =
        el('dialog', {
          className: 'dialog confirm',
          'aria-labelledby': 'confirm-title',
          'aria-describedby': 'confirm-summary'
        },
           el('form', {onSubmit: (e) => this.submit(e)},
              el('h2', {id: 'confirm-title'}, t('emergency.confirmTitle')), this.summary, this.confirmText,
              el('p', {className: 'note-muted'}, t('emergency.confirmNote')),
              el('div', {className: 'buttons'}, this.sendButton,
                 el('button', {type: 'button', onClick: () => this.dialog.close()}, t('emergency.back')))));
    this.countBytes();
  }

  countBytes() {
    const bytes = cp949Bytes(this.text.value);
    setText(this.bytes, t('emergency.bytes', {bytes, max: kMaxBytes}));
    this.bytes.classList.toggle('over', bytes > kMaxBytes);
  }

  // The signs and groups to choose from; what was chosen stays chosen.
  setChoices(signs, groups) {
    this.signs = signs;
    this.groups = groups;
    const ticked = new Set([...this.targets.querySelectorAll('input:checked')].map((c) => c.value));
    const box = (value, label) =>
        el('label', {className: 'check'}, el('input', {type: 'checkbox', value, checked: ticked.has(value)}),
           label);
    this.targets.replaceChildren(
        el('legend', {}, t('emergency.targets')), ...signs.map((s) => box(`sign:${s.id}`, s.name)),
        ...groups.map((g) => box(`group:${g.name}`, t('calendar.groupTarget', {group: g.name}))));
  }

  body() {
    const chosen = [...this.targets.querySelectorAll('input:checked')].map((c) => c.value);
    return {
      text: this.text.value,
      colour: this.colour.value,
      effect: this.effect.value,
      signs: chosen.filter((v) => v.startsWith('sign:')).map((v) => Number(v.slice(5))),
      groups: chosen.filter((v) => v.startsWith('group:')).map((v) => v.slice(6)),
      until: this.timed.checked ? withSeconds(this.until.value) : null,
    };
  }

  // How many signs BODY reaches: those named and every sign of the groups named, once each.
  reach(body) {
    const ids = new Set(body.signs);
    for (const g of this.groups)
      if (body.groups.includes(g.name))
        for (const id of g.signs) ids.add(id);
    return ids.size;
  }

  // The confirmation: what will be shown, where, until when. The service judges the notice itself.
  ask(event) {
    event.preventDefault();
    const body = this.body();
    if (body.until === '') {
      setText(this.note, t('emergency.untilMissing'));
      this.until.focus();
      return;
    }
    setText(this.note, '');
    this.pending = body;
    setText(this.summary, t('emergency.confirmSummary', {
              count: this.reach(body),
              colour: textOr('colour.' + body.colour, body.colour),
              effect: textOr('effect.' + body.effect, body.effect),
              until: untilText(body.until)
            }));
    setText(this.confirmText, body.text);
    this.sendButton.disabled = false;
    this.dialog.showModal();
    this.sendButton.focus();
  }

  // The control of the field a refusal names ("until: ..."), the text when it names none.
  fieldNamed(message) {
    const name = /^(\w+)/.exec(message ?? '')?.[1];
    const controls = {
      colour: this.colour,
      effect: this.effect,
      until: this.until,
      signs: this.targets.querySelector('input'),
      groups: this.targets.querySelector('input'),
    };
    return controls[name] ?? this.text;
  }

  async submit(event) {
    event.preventDefault();
    this.sendButton.disabled = true;
    try {
      await this.send(this.pending);
      this.dialog.close();
    } catch (e) {
      this.dialog.close();
      setText(this.note, t('emergency.refused', {why: failureText(e)}));
      this.fieldNamed(e.message).focus();
    }
  }
}

// Every notice, the newest first, and for operators the form that sends one.
function mountList(view, context) {
  const status = el('p', {className: 'status', role: 'status'});
  const body = el('tbody');
  const table =
      el('table', {className: 'signs notices-table', 'aria-labelledby': 'notices-title'},
         el('thead', {},
            el('tr', {},
               ['id', 'what', 'targets', 'until', 'created', 'by', 'state'].map(
                   (k) => el('th', {scope: 'col'}, t('noticecol.' + k))))),
         body);
  const empty = el('p', {className: 'empty', hidden: true}, t('emergency.none'));
  let signNames = new Map();
  const signName = (id) => signNames.get(id) ?? `#${id}`;
  const form = context.mayOperate() ? new NoticeForm(async (notice) => {
    const made = await request('POST', '/takeovers', notice);
    context.noticesChanged();
    location.hash = `#/emergency/${made.id}`;
  }) :
                                      null;
  view.append(
      el('div', {className: 'heading'}, el('h1', {}, t('emergency.title'))), status,
      ...(form ? [form.node, form.dialog] : [el('p', {className: 'note-muted'}, t('emergency.viewerNote'))]),
      el('h2', {id: 'notices-title'}, t('emergency.list')), empty, el('div', {className: 'scroll'}, table));
  let choicesKey = '';
  return repeat(context, async (stopped) => {
    const [notices, signs, groups] = await Promise.all(
        [request('GET', '/takeovers'), request('GET', '/signs'), request('GET', '/groups')]);
    if (stopped()) return;
    signNames = new Map(signs.map((s) => [s.id, s.name]));
    const key = JSON.stringify([signs.map((s) => [s.id, s.name]), groups.map((g) => [g.name, g.signs])]);
    if (form && key !== choicesKey) form.setChoices(signs, groups);
    choicesKey = key;
    notices.sort((a, b) => b.id - a.id);
    empty.hidden = notices.length > 0;
    table.hidden = notices.length === 0;
    body.replaceChildren(...notices.map(
        (n) => el(
            'tr', {className: n.active ? 'active' : ''},
            el('th', {scope: 'row', 'data-label': t('noticecol.id')},
               el('a', {href: `#/emergency/${n.id}`}, String(n.id))),
            el('td', {'data-label': t('noticecol.what')}, noticeWhat(n)),
            el('td', {'data-label': t('noticecol.targets')}, targetsText(n, signName)),
            el('td', {'data-label': t('noticecol.until')}, untilText(n.until)),
            el('td', {'data-label': t('noticecol.created')}, shortTime(n.created)),
            el('td', {'data-label': t('noticecol.by')}, n.createdBy),
            el('td', {'data-label': t('noticecol.state'), className: n.active ? 'notice-on' : 'notice-off'},
               n.active ? t('emergency.active') : t('emergency.endedAt', {at: shortTime(n.ended)})))));
  });
}

function ackRow(ack) {
  return el(
      'tr', {className: 'ack-' + ack.state},
      el('th', {scope: 'row', 'data-label': t('ackcol.sign')},
         el('a', {href: `#/signs/${ack.sign}`}, ack.name)),
      el('td', {'data-label': t('ackcol.state'), className: 'ack-state'}, t('ack.' + ack.state)),
      el('td', {'data-label': t('ackcol.at')}, shortTime(ack.at) || '-'),
      el('td', {'data-label': t('ackcol.message')}, ack.message || '-'));
}

// One notice: what it shows, where and until when, each sign's acknowledgement, the end button.
function mountNotice(view, context, id) {
  const status = el('p', {className: 'status', role: 'status'});
  const state = el('span', {className: 'job-state'});
  const details = el('dl', {className: 'details'});
  const progress = el('p', {className: 'ack-progress', 'aria-live': 'polite'});
  const body = el('tbody');
  const actions = el('div', {className: 'command-row'});
  view.append(
      el('a', {href: '#/emergency', className: 'back'}, t('emergency.backToList')),
      el('div', {className: 'heading'}, el('h1', {}, t('emergency.noticeTitle', {id})), state), status,
      details, actions, el('h2', {}, t('emergency.acks')), progress,
      el('table', {className: 'signs acks'},
         el('thead', {},
            el('tr', {},
               ['sign', 'state', 'at', 'message'].map((k) => el('th', {scope: 'col'}, t('ackcol.' + k))))),
         body));
  let signNames = new Map();
  let endButton = null;
  let stop = null;
  const refresh = async (stopped) => {
    let notice, signs;
    try {
      [notice, signs] = await Promise.all(
          [request('GET', `/takeovers/${id}`), signNames.size ? null : request('GET', '/signs')]);
    } catch (e) {
      if (!(e instanceof ApiError) || e.status !== 404) throw e;
      setText(status, t('emergency.missing'));
      return kRefreshMs;
    }
    if (stopped()) return undefined;
    if (signs) signNames = new Map(signs.map((s) => [s.id, s.name]));
    state.className = 'job-state ' + (notice.active ? 'notice-on' : 'notice-off');
    setText(state, notice.active ? t('emergency.active') : t('emergency.ended'));
    details.replaceChildren(
        ...[['emergency.text', noticeWhat(notice)],
            ['emergency.colour', notice.colour ? textOr('colour.' + notice.colour, notice.colour) : '-'],
            ['emergency.effect', notice.effect ? textOr('effect.' + notice.effect, notice.effect) : '-'],
            ['emergency.targets', targetsText(notice, (s) => signNames.get(s) ?? `#${s}`)],
            ['emergency.until', untilText(notice.until)],
            ['emergency.created', t('emergency.byAt', {by: notice.createdBy, at: shortTime(notice.created)})],
            [
              'emergency.endedRow',
              notice.ended ? t('emergency.byAt', {by: notice.endedBy ?? '-', at: shortTime(notice.ended)}) :
                             '-'
            ],
    ].flatMap(([key, value]) => [el('dt', {}, t(key)), el('dd', {}, value)]));
    if (context.mayOperate() && notice.active && !endButton) {
      endButton =
          el('button', {
            type: 'button',
            className: 'danger',
            id: 'notice-end',
            onClick: async () => {
              const said = await endNotice(notice);
              if (said === null) return;
              setText(status, said || t('emergency.endedNote', {id}));
              context.noticesChanged();
              restart();
            }
          },
             t('emergency.end'));
      actions.append(endButton);
    }
    if (!notice.active && endButton) {
      endButton.remove();
      endButton = null;
    }
    const done = notice.acks.filter((a) => a.state === 'done').length;
    const failed = notice.acks.filter((a) => a.state === 'failed').length;
    setText(progress, t('emergency.ackCount', {done, failed, count: notice.acks.length}));
    // Rebuilt only when something changed, so that a focused link keeps its focus.
    const key = JSON.stringify(notice.acks);
    if (key !== body.dataset.key) body.replaceChildren(...notice.acks.map(ackRow));
    body.dataset.key = key;
    return notice.acks.some((a) => a.state === 'pending') ? kPendingMs : kRefreshMs;
  };
  const restart = () => {
    if (stop) stop();
    stop = repeat(context, refresh);
  };
  restart();
  return () => stop();
}

export function mountEmergency(view, context, id) {
  return id ? mountNotice(view, context, id) : mountList(view, context);
}
