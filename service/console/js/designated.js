// The admin's own holidays (election days, company days) on the calendar page: the list, and for
// admins a form that adds one and a button that removes each. A change redraws the calendar, whose
// plans follow the list at once.
import {request} from './api.js';
import {el, field, setText} from './dom.js';
import {failureText} from './failure.js';
import {t} from './texts.js';

export class DesignatedDays {
  constructor(admin, changed) {
    this.admin = admin;
    this.changed = changed;
    this.status = el('p', {className: 'status', role: 'status', id: 'designated-status'});
    this.body = el('tbody');
    this.empty = el('p', {className: 'empty', hidden: true}, t('designated.none'));
    const columns = ['date', 'name', 'official'].concat(admin ? ['actions'] : []);
    const table =
        el('table', {className: 'signs designated', 'aria-labelledby': 'designated-title'},
           el('thead', {}, el('tr', {}, columns.map((k) => el('th', {scope: 'col'}, t('designated.' + k))))),
           this.body);
    this.node =
        el('section', {className: 'designated-section', 'aria-labelledby': 'designated-title'},
           el('h2', {id: 'designated-title'}, t('designated.title')), this.status, this.empty,
           el('div', {className: 'scroll'}, table), admin ? this.form() : null);
  }

  form() {
    this.date = el('input', {type: 'date', id: 'designated-date', required: true});
    this.name = el('input', {type: 'text', id: 'designated-name', maxlength: 100, required: true});
    this.official = el('input', {type: 'checkbox', id: 'designated-official'});
    return el(
        'form', {
          className: 'designated-form',
          onSubmit: (e) => {
            e.preventDefault();
            this.add();
          }
        },
        field(t('designated.date'), this.date), field(t('designated.name'), this.name),
        field(t('designated.officialHint'), this.official),
        el('button', {type: 'submit', id: 'designated-add'}, t('designated.add')));
  }

  async load() {
    try {
      const days = await request('GET', '/holidays/designated');
      this.body.replaceChildren(...days.map((d) => this.row(d)));
      this.empty.hidden = days.length > 0;
    } catch (err) {
      setText(this.status, failureText(err));
    }
  }

  row(d) {
    const remove = this.admin ?
        el('td', {},
           el('button', {type: 'button', className: 'remove', onClick: () => this.remove(d)},
              t('designated.remove'))) :
        null;
    return el(
        'tr', {'data-id': d.id}, el('td', {'data-label': t('designated.date')}, d.date),
        el('td', {'data-label': t('designated.name')}, d.name),
        el('td', {'data-label': t('designated.official')},
           t(d.official ? 'designated.yes' : 'designated.no')),
        remove);
  }

  async add() {
    try {
      const day = await request(
          'POST', '/holidays/designated',
          {date: this.date.value, name: this.name.value.trim(), official: this.official.checked});
      this.name.value = '';
      await this.load();
      setText(this.status, t('designated.added', {date: day.date, name: day.name}));
      this.changed();
    } catch (err) {
      setText(this.status, failureText(err));
    }
  }

  async remove(d) {
    try {
      await request('DELETE', `/holidays/designated/${d.id}`);
      await this.load();
      setText(this.status, t('designated.removed', {date: d.date, name: d.name}));
      this.changed();
    } catch (err) {
      setText(this.status, failureText(err));
    }
  }
}
