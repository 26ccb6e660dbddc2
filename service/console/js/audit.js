// The audit log (admins only): newest first, narrowed by sign, user, kind and a time range, with
// older entries fetched on demand.
import {request} from './api.js';
import {el, field, setText} from './dom.js';
import {failureText, textOr} from './failure.js';
import {shortTime} from './format.js';
import {t} from './texts.js';

const kPage = 100;
export const kAuditKinds = [
  'login',        'logout',           'user.add',     'user.role',    'user.password',   'user.delete',
  'token.add',    'sign.create',      'sign.update',  'sign.delete',  'sign.holds',      'sign.settings',
  'sign.state',   'group.create',     'group.update', 'group.delete', 'program.version', 'program.delete',
  'job.push',     'job.size',         'job.clock',    'job.onoff',    'job.window',      'job.brightness',
  'job.pull',     'job.sign',         'job.finish',   'job.cancel',   'takeover.create', 'takeover.ack',
  'takeover.end', 'takeover.restore', 'setting',      'orbd.start',
];


function options(first, pairs) {
  return [el('option', {value: ''}, first), ...pairs.map(([value, text]) => el('option', {value}, text))];
}

// The query for the form's choices; a minute picked as "to" includes the whole minute.
function auditQuery(form, before) {
  const q = new URLSearchParams({limit: String(kPage)});
  const value = (name) => form.elements[name].value;
  if (value('sign')) q.set('target', 'sign ' + value('sign'));
  if (value('user')) q.set('user', value('user'));
  if (value('kind')) q.set('action', value('kind'));
  // A browser gives "YYYY-MM-DDTHH:MM", or with seconds when the field asks for them.
  const minute = (v) => v.length === 16;
  if (value('from')) q.set('from', minute(value('from')) ? value('from') + ':00' : value('from'));
  if (value('to')) q.set('to', minute(value('to')) ? value('to') + ':59.999' : value('to'));
  if (before) q.set('before', String(before));
  return '/audit?' + q.toString();
}

export function mountAudit(view) {
  const status = el('p', {className: 'status', role: 'status'});
  const body = el('tbody');
  const more = el('button', {type: 'button', hidden: true}, t('audit.more'));
  const form =
      el('form', {className: 'filters', 'aria-label': t('audit.filters')},
         field(t('audit.sign'), el('select', {id: 'audit-sign', name: 'sign'})),
         field(t('audit.user'), el('select', {id: 'audit-user', name: 'user'})),
         field(
             t('audit.kind'),
             el('select', {id: 'audit-kind', name: 'kind'},
                options(t('audit.any'), kAuditKinds.map((k) => [k, textOr('kind.' + k, k)])))),
         field(t('audit.from'), el('input', {id: 'audit-from', name: 'from', type: 'datetime-local'})),
         field(t('audit.to'), el('input', {id: 'audit-to', name: 'to', type: 'datetime-local'})),
         el('div', {className: 'field buttons'}, el('button', {type: 'submit'}, t('audit.apply')),
            el('button', {type: 'reset'}, t('audit.clear'))));
  const table =
      el('table', {className: 'signs audit'},
         el('thead', {},
            el('tr', {},
               ['time', 'user', 'kind', 'target', 'result', 'detail'].map(
                   (k) => el('th', {scope: 'col'}, t('auditcol.' + k))))),
         body);
  const empty = el('p', {className: 'empty', hidden: true}, t('audit.empty'));
  view.append(
      el('div', {className: 'heading'}, el('h1', {}, t('audit.title'))), form, status, empty, table, more);
  let names = new Map();
  let users = new Map();
  let last = 0;
  let gone = false;

  // "sign 3" and "user 4" read with the names they have now.
  const targetText = (target) => {
    const [, kind, id] = /^(sign|user) (\d+)$/.exec(target) ?? [];
    const name = (kind === 'sign' ? names : users).get(Number(id));
    return name === undefined ? target : `${name} (#${id})`;
  };
  const row = (a) =>
      el('tr', {}, el('th', {scope: 'row', 'data-label': t('auditcol.time')}, shortTime(a.time)),
         el('td', {'data-label': t('auditcol.user')}, a.user || '-'),
         el('td', {'data-label': t('auditcol.kind')}, textOr('kind.' + a.action, a.action)),
         el('td', {'data-label': t('auditcol.target')}, targetText(a.target)),
         el('td', {'data-label': t('auditcol.result')}, textOr('result.' + a.result, a.result)),
         el('td', {'data-label': t('auditcol.detail')}, a.detail || '-'));

  async function load(append) {
    setText(status, '');
    try {
      const rows = await request('GET', auditQuery(form, append ? last : 0));
      if (gone) return;
      if (append)
        body.append(...rows.map(row));
      else
        body.replaceChildren(...rows.map(row));
      if (rows.length) last = rows[rows.length - 1].id;
      more.hidden = rows.length < kPage;
      empty.hidden = body.children.length > 0;
      table.hidden = !empty.hidden;
    } catch (e) {
      if (!gone) setText(status, failureText(e));
    }
  }

  async function fillChoices() {
    try {
      const [signs, people] = await Promise.all([request('GET', '/signs'), request('GET', '/users')]);
      if (gone) return;
      names = new Map(signs.map((s) => [s.id, s.name]));
      users = new Map(people.map((u) => [u.id, u.name]));
      form.elements.sign.replaceChildren(...options(t('audit.any'), signs.map((s) => [s.id, s.name])));
      form.elements.user.replaceChildren(...options(t('audit.any'), people.map((u) => [u.name, u.name])));
    } catch (e) {
      if (!gone) setText(status, failureText(e));
    }
  }

  form.addEventListener('submit', (e) => {
    e.preventDefault();
    load(false);
  });
  form.addEventListener('reset', () => setTimeout(() => load(false)));
  more.addEventListener('click', () => load(true));
  fillChoices().then(() => load(false));
  return () => {
    gone = true;
  };
}

// A sign's latest audit entries, for its page: NODE to place, and load() to bring it up to date.
export function signHistory(id) {
  const body = el('tbody');
  const empty = el('p', {className: 'empty', hidden: true}, t('audit.empty'));
  const columns = ['time', 'user', 'kind', 'result', 'detail'];
  const table = el(
      'table', {className: 'signs history'},
      el('thead', {}, el('tr', {}, columns.map((k) => el('th', {scope: 'col'}, t('auditcol.' + k))))), body);
  const node =
      el('section', {className: 'history', 'aria-labelledby': 'history-title'},
         el('h2', {id: 'history-title'}, t('sign.history')), empty, table,
         el('a', {href: '#/audit'}, t('sign.historyAll')));
  const load = async () => {
    const rows = await request('GET', `/audit?target=${encodeURIComponent('sign ' + id)}&limit=20`);
    const key = rows.length ? String(rows[0].id) : '';
    if (key === body.dataset.key) return;
    body.dataset.key = key;
    body.replaceChildren(...rows.map(
        (a) =>
            el('tr', {}, el('th', {scope: 'row', 'data-label': t('auditcol.time')}, shortTime(a.time)),
               el('td', {'data-label': t('auditcol.user')}, a.user || '-'),
               el('td', {'data-label': t('auditcol.kind')}, textOr('kind.' + a.action, a.action)),
               el('td', {'data-label': t('auditcol.result')}, textOr('result.' + a.result, a.result)),
               el('td', {'data-label': t('auditcol.detail')}, a.detail || '-'))));
    empty.hidden = rows.length > 0;
    table.hidden = rows.length === 0;
  };
  return {node, load};
}
