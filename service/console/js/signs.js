// The signs page: every sign with its groups, state (colour and word), what it holds and since
// when, and its last answer, refreshed in place; operators get a push command on each row.
import {request} from './api.js';
import {el, setText} from './dom.js';
import {shortTime} from './format.js';
import {PushDialog} from './push.js';
import {t} from './texts.js';

const kRefreshMs = 5000;
const kRetryMs = 1000;  // while the service cannot be reached
const kStates = ['online', 'unreachable', 'other-model', 'busy', 'differs', 'unknown'];

export function holdsText(sign, programs) {
  if (sign.holding === 'empty') return t('holds.empty');
  if (!sign.holds) return t('holds.unknown');
  const name = programs.get(sign.holds.program)?.name ?? `#${sign.holds.program}`;
  return t('holds.program', {name, version: sign.holds.version});
}

export function stateOf(sign) {
  return kStates.includes(sign.state) ? sign.state : 'unknown';
}

// One sign's row; update() writes a new state of the sign into the same cells.
class SignRow {
  constructor(sign, context, onPush) {
    this.id = sign.id;
    const cell = (key) => el('td', {'data-label': t('col.' + key)});
    this.link = el('a', {href: `#/signs/${sign.id}`});
    this.name = el('th', {scope: 'row', 'data-label': t('col.name')}, this.link);
    this.groups = cell('groups');
    this.dot = el('span', {className: 'dot', 'aria-hidden': 'true'});
    this.word = el('span');
    this.state =
        el('td', {'data-label': t('col.state')}, el('span', {className: 'state'}, this.dot, this.word));
    this.holds = cell('holds');
    this.since = cell('since');
    this.lastAnswer = cell('lastAnswer');
    this.node = el('tr', {}, this.name, this.groups, this.state, this.holds, this.since, this.lastAnswer);
    if (context.mayOperate()) {
      this.push = el(
          'button', {type: 'button', className: 'push', onClick: () => onPush(this.sign)}, t('push.button'));
      this.node.append(el('td', {className: 'actions', 'data-label': t('col.actions')}, this.push));
    }
  }

  update(sign, programs) {
    this.sign = sign;
    const state = stateOf(sign);
    setText(this.link, sign.name);
    setText(this.groups, sign.groups.length ? sign.groups.join(', ') : t('none'));
    this.state.className = 'state-' + state;
    setText(this.word, t('state.' + state));
    setText(this.holds, holdsText(sign, programs));
    setText(this.since, shortTime(sign.holds?.since) || '-');
    setText(this.lastAnswer, shortTime(sign.lastAnswer) || t('none'));
    if (this.push) this.push.setAttribute('aria-label', t('push.label', {sign: sign.name}));
  }
}

// Fills VIEW and keeps it current; the returned function stops it.
export function mountSigns(view, context) {
  const count = el('span', {className: 'count'});
  const updated = el('span', {className: 'updated'});
  const status = el('p', {className: 'status', role: 'status'});
  const body = el('tbody');
  const head =
      el('tr', {},
         ['name', 'groups', 'state', 'holds', 'since', 'lastAnswer']
             .concat(context.mayOperate() ? ['actions'] : [])
             .map((key) => el('th', {scope: 'col'}, t('col.' + key))));
  const empty = el('p', {className: 'empty', hidden: true}, t('signs.empty'));
  const table =
      el('table', {className: 'signs'}, el('caption', {className: 'sr-only'}, t('signs.caption')),
         el('thead', {}, head), body);
  let programs = new Map();
  const dialog = new PushDialog((text) => {
    status.textContent = text;
    refresh();
  });
  let last = [];
  const groups = el('select', {id: 'group-filter', onChange: () => show(last)});
  const filter = el('div', {className: 'filter'}, el('label', { for: 'group-filter'
                    }, t('signs.group')), groups);
  view.append(
      el('div', {className: 'heading'}, el('h1', {}, t('signs.title')), count, updated), filter, status,
      empty, table, dialog.node);

  // The filter's choices: every group a sign is in; the choice stays while it exists.
  function updateGroups(signs) {
    const names =
        [...new Set(signs.flatMap((s) => s.groups))].sort((a, b) => a.localeCompare(b, t('locale')));
    const key = JSON.stringify(names);
    if (key === groups.dataset.names) return;
    groups.dataset.names = key;
    const chosen = groups.value;
    groups.replaceChildren(
        el('option', {value: ''}, t('signs.allGroups')), ...names.map((n) => el('option', {value: n}, n)));
    groups.value = names.includes(chosen) ? chosen : '';
  }

  const rows = new Map();
  function show(signs) {
    last = signs;
    updateGroups(signs);
    signs.sort((a, b) => a.name.localeCompare(b.name, t('locale')) || a.id - b.id);
    const seen = new Set();
    for (const sign of signs) {
      let row = rows.get(sign.id);
      if (!row) rows.set(sign.id, (row = new SignRow(sign, context, (s) => dialog.open(s, programs))));
      row.update(sign, programs);
      seen.add(sign.id);
    }
    for (const [id, row] of rows)
      if (!seen.has(id)) {
        row.node.remove();
        rows.delete(id);
      }
    // Rows move only when the order changed: moving a row would take the focus from its button.
    const order = signs.map((s) => rows.get(s.id).node);
    if (order.some((node, i) => body.children[i] !== node)) body.replaceChildren(...order);
    const group = groups.value;
    let shown = 0;
    for (const sign of signs) {
      const visible = !group || sign.groups.includes(group);
      rows.get(sign.id).node.hidden = !visible;
      shown += visible ? 1 : 0;
    }
    setText(
        count,
        group ? t('signs.countShown', {shown, count: signs.length}) :
                t('signs.count', {count: signs.length}));
    setText(updated, t('signs.updated', {time: new Date().toLocaleTimeString(t('locale'))}));
    empty.hidden = signs.length > 0;
    table.hidden = signs.length === 0;
  }

  let timer = 0;
  let stopped = false;
  let listed = false;
  async function refresh() {
    clearTimeout(timer);
    let wait = kRefreshMs;
    if (!context.paused()) {
      try {
        const [signs, list] = await Promise.all([request('GET', '/signs'), request('GET', '/programs')]);
        if (stopped) return;
        programs = new Map(list.map((p) => [p.id, p]));
        show(signs);
        // When the first list is on the page, for the Performance API: how long the page takes
        // to show a whole fleet is measured from it (bench/console_first_paint.py).
        if (!listed) performance.mark('signs-listed');
        listed = true;
      } catch (e) {
        // The banner or the login form says why; the next round tries again.
        if (e.status === 0) wait = kRetryMs;
      }
    }
    if (!stopped) timer = setTimeout(refresh, wait);
  }
  refresh();
  return () => {
    stopped = true;
    clearTimeout(timer);
  };
}
