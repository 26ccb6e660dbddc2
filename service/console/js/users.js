// The service's users (admins only): list, add with a role and password, change a role, remove.
import {request} from './api.js';
import {el, field, setText} from './dom.js';
import {failureText} from './failure.js';
import {shortTime} from './format.js';
import {t} from './texts.js';

export const kRoles = ['viewer', 'operator', 'admin'];

function roleSelect(attrs, chosen) {
  const select = el('select', attrs, kRoles.map((r) => el('option', {value: r}, t('role.' + r))));
  select.value = chosen;
  return select;
}

export function mountUsers(view, context) {
  const status = el('p', {className: 'status', role: 'status'});
  const body = el('tbody');
  const note = el('p', {className: 'note', role: 'alert'});
  const form = el(
      'form', {className: 'filters', 'aria-label': t('users.add')},
      field(
          t('users.name'), el('input', {id: 'user-name', name: 'name', required: true, autocomplete: 'off'})),
      field(t('users.password'), el('input', {
              id: 'user-password',
              name: 'password',
              type: 'password',
              required: true,
              autocomplete: 'new-password'
            })),
      field(t('users.role'), roleSelect({id: 'user-role', name: 'role'}, 'viewer')),
      el('div', {className: 'field buttons'}, el('button', {type: 'submit'}, t('users.addButton'))));
  view.append(
      el('div', {className: 'heading'}, el('h1', {}, t('users.title'))), el('h2', {}, t('users.add')), form,
      note, status,
      el('table', {className: 'signs users'},
         el('thead', {},
            el('tr', {},
               ['name', 'role', 'created', 'actions'].map(
                   (k) => el('th', {scope: 'col'}, t('usercol.' + k))))),
         body));
  let gone = false;

  async function change(user, what, done) {
    try {
      await what();
      setText(note, '');
      setText(status, done);
    } catch (e) {
      setText(status, failureText(e));
    }
    load();
  }

  const row = (u) => {
    const role = roleSelect({'aria-label': t('users.roleOf', {user: u.name}), className: 'role'}, u.role);
    role.addEventListener(
        'change',
        () => change(
            u, () => request('PATCH', `/users/${u.id}`, {role: role.value}),
            t('users.roleChanged', {user: u.name, role: t('role.' + role.value)})));
    const remove =
        el('button', {
          type: 'button',
          className: 'danger',
          'aria-label': t('users.removeLabel', {user: u.name}),
          onClick: () => {
            if (!window.confirm(t('users.confirmRemove', {user: u.name}))) return;
            change(u, () => request('DELETE', `/users/${u.id}`), t('users.removed', {user: u.name}));
          }
        },
           t('users.remove'));
    const self = u.name === context.user;
    return el(
        'tr', {}, el('th', {scope: 'row', 'data-label': t('usercol.name')}, u.name),
        el('td', {'data-label': t('usercol.role')}, self ? t('role.' + u.role) : role),
        el('td', {'data-label': t('usercol.created')}, shortTime(u.created)),
        el('td', {className: 'actions'}, self ? t('users.self') : remove));
  };

  async function load() {
    try {
      const users = await request('GET', '/users');
      if (gone) return;
      users.sort((a, b) => a.name.localeCompare(b.name, t('locale')));
      body.replaceChildren(...users.map(row));
    } catch (e) {
      if (!gone) setText(status, failureText(e));
    }
  }

  form.addEventListener('submit', async (e) => {
    e.preventDefault();
    const f = form.elements;
    if (!f.name.value.trim() || !f.password.value) return setText(note, t('users.missing'));
    try {
      await request(
          'POST', '/users', {name: f.name.value.trim(), password: f.password.value, role: f.role.value});
      setText(note, '');
      setText(status, t('users.added', {user: f.name.value.trim()}));
      form.reset();
      load();
    } catch (err) {
      setText(note, failureText(err));
    }
  });
  load();
  return () => {
    gone = true;
  };
}
