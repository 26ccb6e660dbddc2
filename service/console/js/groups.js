// Groups of signs: every group with its signs; admins create, rename and delete groups and choose
// their signs.
import {request} from './api.js';
import {el, field, setText} from './dom.js';
import {failureText} from './failure.js';
import {t} from './texts.js';

// The dialog that names a group and picks its signs; SAVE gets {name, signs}.
class GroupDialog {
  constructor(save) {
    this.save = save;
    this.name = el('input', {id: 'group-name', required: true, autocomplete: 'off'});
    this.signs = el('fieldset', {className: 'members'});
    this.note = el('p', {className: 'note', role: 'alert'});
    this.title = el('h2');
    this.form =
        el('form', {onSubmit: (e) => this.submit(e)}, this.title, field(t('groups.name'), this.name),
           this.signs, this.note,
           el('div', {className: 'buttons'}, el('button', {type: 'submit'}, t('groups.save')),
              el('button', {type: 'button', onClick: () => this.node.close()}, t('push.cancel'))));
    this.node = el('dialog', {className: 'dialog', 'aria-labelledby': 'group-dialog-title'}, this.form);
    this.title.id = 'group-dialog-title';
  }

  open(group, signs) {
    this.group = group;
    setText(this.title, group ? t('groups.editTitle', {group: group.name}) : t('groups.createTitle'));
    this.name.value = group?.name ?? '';
    const members = new Set(group?.signs ?? []);
    this.signs.replaceChildren(
        el('legend', {}, t('groups.members')),
        ...signs.map(
            (s) =>
                el('label', {className: 'check'},
                   el('input', {type: 'checkbox', value: s.id, checked: members.has(s.id)}), s.name)));
    if (!signs.length) this.signs.append(el('p', {className: 'empty'}, t('signs.empty')));
    setText(this.note, '');
    this.node.showModal();
    this.name.focus();
  }

  async submit(event) {
    event.preventDefault();
    const name = this.name.value.trim();
    if (!name) return setText(this.note, t('groups.missing'));
    const signs = [...this.signs.querySelectorAll('input:checked')].map((c) => Number(c.value));
    try {
      await this.save(this.group, {name, signs});
      this.node.close();
    } catch (e) {
      setText(this.note, failureText(e));
    }
  }
}

export function mountGroups(view, context) {
  const admin = context.role === 'admin';
  const status = el('p', {className: 'status', role: 'status'});
  const body = el('tbody');
  const empty = el('p', {className: 'empty', hidden: true}, t('groups.empty'));
  let signs = [];
  let gone = false;
  const dialog = new GroupDialog(async (group, fields) => {
    if (group)
      await request('PATCH', `/groups/${group.id}`, fields);
    else
      await request('POST', '/groups', fields);
    setText(status, t(group ? 'groups.saved' : 'groups.created', {group: fields.name}));
    load();
  });
  const create =
      el('button', {type: 'button', className: 'push', onClick: () => dialog.open(null, signs)},
         t('groups.create'));
  const columns = ['name', 'signs'].concat(admin ? ['actions'] : []);
  const table = el(
      'table', {className: 'signs groups'},
      el('thead', {}, el('tr', {}, columns.map((k) => el('th', {scope: 'col'}, t('groupcol.' + k))))), body);
  view.append(
      el('div', {className: 'heading'}, el('h1', {}, t('groups.title')), admin ? create : null), status,
      empty, table, admin ? dialog.node : null);

  async function remove(group) {
    if (!window.confirm(t('groups.confirmDelete', {group: group.name}))) return;
    try {
      await request('DELETE', `/groups/${group.id}`);
      setText(status, t('groups.deleted', {group: group.name}));
    } catch (e) {
      setText(status, failureText(e));
    }
    load();
  }

  const row = (g, names) =>
      el('tr', {}, el('th', {scope: 'row', 'data-label': t('groupcol.name')}, g.name),
         el('td', {'data-label': t('groupcol.signs')},
            g.signs.length ? g.signs.map((id) => names.get(id) ?? `#${id}`).join(', ') : t('none')),
         admin ? el('td', {className: 'actions'},
                    el('button', {
                      type: 'button',
                      className: 'edit',
                      'aria-label': t('groups.editLabel', {group: g.name}),
                      onClick: () => dialog.open(g, signs)
                    },
                       t('groups.edit')),
                    ' ',
                    el('button',
                       {
                         type: 'button',
                         className: 'danger',
                         'aria-label': t('groups.deleteLabel', {group: g.name}),
                         onClick: () => remove(g)
                       },
                       t('groups.delete'))) :
                 null);

  async function load() {
    try {
      const [groups, all] = await Promise.all([request('GET', '/groups'), request('GET', '/signs')]);
      if (gone) return;
      signs = all.sort((a, b) => a.name.localeCompare(b.name, t('locale')) || a.id - b.id);
      const names = new Map(signs.map((s) => [s.id, s.name]));
      groups.sort((a, b) => a.name.localeCompare(b.name, t('locale')));
      body.replaceChildren(...groups.map((g) => row(g, names)));
      empty.hidden = groups.length > 0;
      table.hidden = groups.length === 0;
    } catch (e) {
      if (!gone) setText(status, failureText(e));
    }
  }
  load();
  return () => {
    gone = true;
  };
}
