// A calendar entry as the page shows it, and the operators' form that creates and changes one.
// A refusal is shown beside the form with the service's own words, and the form keeps what was
// typed.
import {el, field, setText} from './dom.js';
import {failureText} from './failure.js';
import {t} from './texts.js';

export const kWeekdays = ['mon', 'tue', 'wed', 'thu', 'fri', 'sat', 'sun'];

export function entryTargets(e, signName) {
  return [...e.signs.map(signName), ...e.groups.map((g) => t('calendar.groupTarget', {group: g}))].join(', ');
}

export function entryRange(e) {
  if (!e.from && !e.to) return t('calendar.always');
  return `${e.from ?? ''} ~ ${e.to ?? ''}`;
}

export function entryWeekdays(e) {
  return e.weekdays.length === 7 ? t('calendar.everyDay') :
                                   e.weekdays.map((d) => t('weekday.' + d)).join(' ');
}

export function entryTimes(e) {
  if (!e.start && !e.end) return t('calendar.allDay');
  return `${e.start ?? '00:00'}–${e.end ?? '24:00'}`;
}

function input(id, attrs = {}) {
  return el('input', {id, autocomplete: 'off', ...attrs});
}

export class EntryForm {
  // SAVE(id or null, body) stores the entry; it throws the service's refusal.
  constructor(save) {
    this.save = save;
    this.editing = null;
    this.shown = null;  // the target the calendar shows
    this.title = el('h2', {id: 'entry-title'}, t('entry.createTitle'));
    this.program = el('select', {id: 'entry-program', required: true});
    this.targets = el('fieldset', {className: 'members entry-targets'});
    this.from = input('entry-from', {type: 'date'});
    this.to = input('entry-to', {type: 'date'});
    this.days = kWeekdays.map((d) => el('input', {type: 'checkbox', value: d, checked: true}));
    this.holidays =
        el('select', {id: 'entry-holidays'},
           ['any', 'only', 'except'].map((h) => el('option', {value: h}, t('holidays.' + h))));
    this.start = input('entry-start', {type: 'time'});
    this.end = input('entry-end', {type: 'time'});
    this.priority = input('entry-priority', {type: 'number', step: 1, value: 0});
    this.note = el('p', {className: 'note', role: 'alert', id: 'entry-note'});
    this.cancel =
        el('button', {type: 'button', hidden: true, onClick: () => this.reset()}, t('entry.cancelEdit'));
    this.node =
        el('form', {
          className: 'entry-form',
          'aria-labelledby': 'entry-title',
          novalidate: true,
          onSubmit: (e) => this.submit(e)
        },
           this.title, this.note,
           el('div', {className: 'entry-fields'}, field(t('entry.program'), this.program), this.targets,
              field(t('entry.from'), this.from), field(t('entry.to'), this.to),
              el('fieldset', {className: 'weekdays'}, el('legend', {}, t('entry.weekdays')),
                 this.days.map((box) => el('label', {className: 'check'}, box, t('weekday.' + box.value)))),
              field(t('entry.holidays'), this.holidays), field(t('entry.start'), this.start),
              field(t('entry.end'), this.end), field(t('entry.priority'), this.priority)),
           el('p', {className: 'note-muted'}, t('entry.hint')),
           el('div', {className: 'buttons'}, el('button', {type: 'submit'}, t('entry.save')), this.cancel));
  }

  // The programs, signs and groups to choose from; what was chosen stays chosen.
  setChoices(programs, signs, groups) {
    const program = this.program.value;
    this.program.replaceChildren(...[...programs.values()].map((p) => el('option', {value: p.id}, p.name)));
    if (program) this.program.value = program;
    const ticked = new Set([...this.targets.querySelectorAll('input:checked')].map((c) => c.value));
    const box = (value, label) =>
        el('label', {className: 'check'}, el('input', {type: 'checkbox', value, checked: ticked.has(value)}),
           label);
    this.targets.replaceChildren(
        el('legend', {}, t('entry.targets')), ...signs.map((s) => box(`sign:${s.id}`, s.name)),
        ...groups.map((g) => box(`group:${g.name}`, t('calendar.groupTarget', {group: g.name}))));
  }

  // A new entry starts on the target the calendar shows.
  setTarget(who) {
    this.shown = who;
    if (this.editing || this.targets.querySelector('input:checked')) return;
    const value = who.kind === 'sign' ? `sign:${who.id}` : `group:${who.name}`;
    const box = [...this.targets.querySelectorAll('input')].find((c) => c.value === value);
    if (box) box.checked = true;
  }

  edit(entry) {
    this.editing = entry.id;
    setText(this.title, t('entry.editTitle', {id: entry.id}));
    this.cancel.hidden = false;
    this.program.value = String(entry.program);
    const chosen =
        new Set([...entry.signs.map((id) => `sign:${id}`), ...entry.groups.map((g) => `group:${g}`)]);
    for (const box of this.targets.querySelectorAll('input')) box.checked = chosen.has(box.value);
    this.from.value = entry.from ?? '';
    this.to.value = entry.to ?? '';
    for (const box of this.days) box.checked = entry.weekdays.includes(box.value);
    this.holidays.value = entry.holidays;
    this.start.value = entry.start ?? '';
    this.end.value = entry.end ?? '';
    this.priority.value = String(entry.priority);
    setText(this.note, '');
    this.node.scrollIntoView({block: 'nearest'});
    this.program.focus();
  }

  reset() {
    this.editing = null;
    setText(this.title, t('entry.createTitle'));
    this.cancel.hidden = true;
    for (const box of this.targets.querySelectorAll('input')) box.checked = false;
    for (const c of [this.from, this.to, this.start, this.end]) c.value = '';
    for (const box of this.days) box.checked = true;
    this.holidays.value = 'any';
    this.priority.value = '0';
    setText(this.note, '');
    if (this.shown) this.setTarget(this.shown);
  }

  // The entry as the service takes it: empty fields are open ends; every weekday is every day.
  body() {
    const targets = [...this.targets.querySelectorAll('input:checked')].map((c) => c.value);
    const days = this.days.filter((d) => d.checked).map((d) => d.value);
    const priority = this.priority.value.trim();
    return {
      program: Number(this.program.value),
      signs: targets.filter((v) => v.startsWith('sign:')).map((v) => Number(v.slice(5))),
      groups: targets.filter((v) => v.startsWith('group:')).map((v) => v.slice(6)),
      from: this.from.value || null,
      to: this.to.value || null,
      weekdays: days.length === 7 ? null : days,
      holidays: this.holidays.value,
      start: this.start.value || null,
      end: this.end.value || null,
      priority: priority === '' ? 0 : Number(priority),
    };
  }

  async submit(event) {
    event.preventDefault();
    if (!this.program.value) return setText(this.note, t('entry.noProgram'));
    setText(this.note, '');
    try {
      await this.save(this.editing, this.body());
      this.reset();
    } catch (e) {
      setText(this.note, failureText(e));
    }
  }
}
