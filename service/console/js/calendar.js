// The calendar: for a chosen sign or group, a month or a week with the programs of each day,
// holidays by name, conflicts and problems (fall-backs among them) marked; the chosen day's plan
// ("what plays when"); the entries that concern the target; and for operators, a form that
// creates and changes entries. Plans come from the service, which resolves them the one way.
import {request} from './api.js';
import {DesignatedDays} from './designated.js';
import {el, setText} from './dom.js';
import {EntryForm, entryRange, entryTargets, entryTimes, entryWeekdays, kWeekdays} from './entryform.js';
import {failureText} from './failure.js';
import {t} from './texts.js';
import {dayItems, dayTimeline, programColours} from './timeline.js';
import {dayNotes} from './todayplan.js';

const kMaxMembers = 20;  // a group's signs whose plans a view asks for

// Dates as 'YYYY-MM-DD', counted in UTC so that no time zone shifts them.
const dateOf = (text) => new Date(text + 'T00:00:00Z');
const textOf = (d) => d.toISOString().slice(0, 10);
const addDays = (text, n) => textOf(new Date(dateOf(text).getTime() + n * 86400000));
const weekdayOf = (text) => (dateOf(text).getUTCDay() + 6) % 7;  // Monday 0
const monthStart = (text) => text.slice(0, 8) + '01';

// The days a view shows: whole weeks from Monday around ANCHOR's month or week.
function viewRange(mode, anchor) {
  if (mode === 'week') {
    const from = addDays(anchor, -weekdayOf(anchor));
    return {from, to: addDays(from, 6)};
  }
  const first = monthStart(anchor);
  const next = monthStart(addDays(first, 31));
  const last = addDays(next, -1);
  return {from: addDays(first, -weekdayOf(first)), to: addDays(last, 6 - weekdayOf(last))};
}

function shiftAnchor(mode, anchor, step) {
  if (mode === 'week') return addDays(anchor, 7 * step);
  const first = monthStart(anchor);
  return step > 0 ? monthStart(addDays(first, 31)) : monthStart(addDays(first, -1));
}

// What the page remembers between visits to the calendar.
const remembered = {
  target: '',
  mode: 'month',
  anchor: '',
  day: ''
};

// Fills VIEW with the calendar of TARGET ('sign:ID' or 'group:ID'; the last one shown if none).
export function mountCalendar(view, context, target = '') {
  if (target) remembered.target = target;
  const operator = context.mayOperate();
  let signs = [], groups = [], programs = new Map(), entries = [], plans = [], holidays = new Map();
  let today = '';
  let gone = false;
  const status = el('p', {className: 'status', role: 'status'});
  const chooser = el('select', {
    id: 'calendar-target',
    onChange: () => {
      remembered.target = chooser.value;
      show();
    }
  });
  const caption = el('h2', {id: 'calendar-caption', 'aria-live': 'polite'});
  const modeButtons = ['month', 'week'].map(
      (mode) =>
          el('button', {
            type: 'button',
            className: 'mode',
            'data-mode': mode,
            onClick: () => {
              remembered.mode = mode;
              show();
            }
          },
             t('calendar.' + mode)));
  const move = (step) => () => {
    remembered.anchor = shiftAnchor(remembered.mode, remembered.anchor, step);
    remembered.day = remembered.anchor;  // the chosen day follows the view
    show();
  };
  const month = el('input', {
    type: 'month',
    id: 'calendar-month',
    'aria-label': t('calendar.jump'),
    onChange: () => {
      if (!/^\d{4}-\d\d$/.test(month.value)) return;
      remembered.anchor = month.value + '-01';
      remembered.day = remembered.anchor;
      show();
    }
  });
  const grid = el('table', {className: 'month', 'aria-labelledby': 'calendar-caption'});
  const dayPanel = el('section', {className: 'day-plan', 'aria-labelledby': 'day-title'});
  const entryBody = el('tbody');
  const entryTable =
      el('table', {className: 'signs entries', 'aria-labelledby': 'entries-title'},
         el('thead', {},
            el('tr', {},
               ['id', 'program', 'targets', 'range', 'weekdays', 'holidays', 'times', 'priority']
                   .concat(operator ? ['actions'] : [])
                   .map((k) => el('th', {scope: 'col'}, t('entrycol.' + k))))),
         entryBody);
  const noEntries = el('p', {className: 'empty', hidden: true}, t('calendar.noEntries'));
  const designated = new DesignatedDays(context.role === 'admin', () => show());
  const form = operator ? new EntryForm(async (id, body) => {
    const saved =
        id ? await request('PATCH', `/calendar/${id}`, body) : await request('POST', '/calendar', body);
    await load();  // the status last, once the page shows the change
    setText(status, t(id ? 'calendar.changed' : 'calendar.created', {id: saved.id}));
  }) :
                          null;
  view.append(
      el('div', {className: 'heading'}, el('h1', {}, t('calendar.title'))), status,
      el('div', {className: 'calendar-bar'},
         el('label',
            {for: 'calendar-target'
            },
            t('calendar.target')),
         chooser, el('span', {className: 'modes', role: 'group'}, modeButtons),
         el('span', {className: 'moves'},
            el('button', {type: 'button', 'aria-label': t('calendar.previous'), onClick: move(-1)}, '◀'),
            el('button', {
              type: 'button',
              onClick: () => {
                remembered.anchor = today;
                remembered.day = today;
                show();
              }
            },
               t('calendar.today')),
            el('button', {type: 'button', 'aria-label': t('calendar.next'), onClick: move(1)}, '▶')),
         month),
      caption, el('div', {className: 'scroll'}, grid), dayPanel,
      el('section', {className: 'entries-section'}, el('h2', {id: 'entries-title'}, t('calendar.entries')),
         noEntries, el('div', {className: 'scroll'}, entryTable)),
      form?.node, designated.node);

  // The chosen target: {kind, id, name, signIds, groupNames} or null.
  function chosen() {
    const [kind, id] = chooser.value.split(':');
    if (kind === 'sign') {
      const s = signs.find((x) => x.id === Number(id));
      return s && {kind, id: s.id, name: s.name, signIds: [s.id], groupNames: s.groups};
    }
    const g = groups.find((x) => x.id === Number(id));
    return g && {
      kind,
      id: g.id,
      name: g.name,
      signIds: g.signs.slice(0, kMaxMembers),
      groupNames: [g.name],
      more: Math.max(0, g.signs.length - kMaxMembers)
    };
  }

  function fillTargets() {
    const keep = remembered.target || chooser.value;
    chooser.replaceChildren(
        el('optgroup', {label: t('calendar.signs')},
           signs.map((s) => el('option', {value: `sign:${s.id}`}, s.name))),
        el('optgroup', {label: t('calendar.groups')},
           groups.map((g) => el('option', {value: `group:${g.id}`}, g.name))));
    if ([...chooser.options].some((o) => o.value === keep)) chooser.value = keep;
    remembered.target = chooser.value;
  }

  const nameOf = (id) => programs.get(id)?.name ?? t('plan.program', {id});

  async function load() {
    try {
      const [s, g, p, e, health] = await Promise.all([
        request('GET', '/signs'), request('GET', '/groups'), request('GET', '/programs'),
        request('GET', '/calendar'), request('GET', '/health')
      ]);
      if (gone) return;
      const byName = (a, b) => a.name.localeCompare(b.name, t('locale')) || a.id - b.id;
      signs = s.sort(byName);
      groups = g.sort(byName);
      programs = new Map(p.map((x) => [x.id, x]));
      entries = e;
      itemCache.clear();
      today = String(health.time).slice(0, 10);
      const service = new Date(String(health.time));  // no zone: read as the page's local time
      if (Number.isFinite(service.getTime())) clockOffset = service.getTime() - Date.now();
      remembered.anchor ||= today;
      remembered.day ||= today;
      fillTargets();
      form?.setChoices(programs, signs, groups);
      await show();
    } catch (err) {
      if (!gone) setText(status, failureText(err));
    }
  }

  // Each show() numbered: an answer that comes after a later show() began is dropped, so that a
  // slow answer for the target or month left behind never draws over the one chosen since.
  let shown = 0;

  async function show() {
    const mine = ++shown;
    const who = chosen();
    for (const b of modeButtons) b.setAttribute('aria-pressed', String(b.dataset.mode === remembered.mode));
    if (!who) {
      grid.replaceChildren();
      dayPanel.replaceChildren(el('p', {className: 'empty'}, t('calendar.noTarget')));
      return;
    }
    const range = viewRange(remembered.mode, remembered.anchor);
    month.value = remembered.anchor.slice(0, 7);
    try {
      const years = [...new Set([range.from.slice(0, 4), range.to.slice(0, 4)])];
      const [planList, holidayLists] = await Promise.all([
        Promise.all(
            who.signIds.map((id) => request('GET', `/signs/${id}/plan?from=${range.from}&to=${range.to}`))),
        Promise.all(years.map((y) => request('GET', `/holidays?year=${y}`)))
      ]);
      if (gone || mine !== shown) return;
      plans =
          planList.map((plan, i) => ({sign: signs.find((x) => x.id === who.signIds[i]), days: plan.days}));
      holidays = new Map(holidayLists.flat().map((h) => [h.date, h.name]));
    } catch (err) {
      if (!gone && mine === shown) setText(status, failureText(err));
      return;
    }
    setText(
        caption,
        remembered.mode === 'week' ?
            t('calendar.weekCaption', {target: who.name, from: range.from, to: range.to}) :
            t('calendar.monthCaption', {target: who.name, month: remembered.anchor.slice(0, 7)}));
    // A large group: the days show its first signs only, and say so.
    if (who.more) setText(status, t('calendar.moreSigns', {shown: who.signIds.length, more: who.more}));
    drawGrid(range);
    drawDay();
    drawEntries(who);
    form?.setTarget(who);
  }

  // Per date, what every sign of the target plays, with its conflicts and problems.
  function daysOf(date) {
    return plans.map((p) => ({sign: p.sign, day: p.days.find((d) => d.date === date)})).filter((x) => x.day);
  }

  function cell(date, colours) {
    const of = daysOf(date);
    const ids =
        [...new Set(of.flatMap((x) => x.day.periods.map((p) => p.program)).filter((id) => id !== null))];
    const conflicts = of.some((x) => x.day.conflicts.length > 0);
    const problems = of.some((x) => x.day.problems.length > 0);
    const holiday = holidays.get(date);
    const classes = ['day'];
    if (date.slice(0, 7) !== remembered.anchor.slice(0, 7) && remembered.mode === 'month')
      classes.push('outside');
    if (holiday) classes.push('holiday');
    if (conflicts) classes.push('conflict');
    if (problems) classes.push('problem');
    if (date === today) classes.push('today');
    if (date === remembered.day) classes.push('chosen');
    const chips = ids.map((id) => {
      const chip = el('li', {className: 'chip', title: nameOf(id)}, nameOf(id));
      chip.style.borderLeftColor = colours.get(id);
      return chip;
    });
    return el(
        'td', {className: classes.join(' '), 'data-date': date},
        el('button', {
          type: 'button',
          className: 'date',
          'aria-pressed': String(date === remembered.day),
          'aria-label': t('calendar.dayLabel', {date}),
          onClick: () => {
            remembered.day = date;
            drawGrid(viewRange(remembered.mode, remembered.anchor));
            drawDay();
          }
        },
           String(Number(date.slice(8)))),
        holiday ? el('span', {className: 'holiday-name'}, holiday) : null,
        el('ul', {className: 'chips'}, chips),
        conflicts ? el('span', {className: 'mark conflict-mark'}, t('calendar.conflict')) : null,
        problems ? el('span', {className: 'mark problem-mark'}, t('calendar.problem')) : null);
  }

  function drawGrid(range) {
    const colours = programColours(plans.flatMap((p) => p.days));
    const rows = [];
    for (let week = range.from; week <= range.to; week = addDays(week, 7))
      rows.push(el('tr', {}, Array.from({length: 7}, (_, i) => cell(addDays(week, i), colours))));
    grid.replaceChildren(
        el('thead', {}, el('tr', {}, kWeekdays.map((d) => el('th', {scope: 'col'}, t('weekday.' + d))))),
        el('tbody', {}, rows));
  }

  // "What plays when" for the chosen day: each sign's bar, its periods and its notes.
  function drawDay() {
    const date = remembered.day;
    const of = daysOf(date);
    const holiday = holidays.get(date);
    const title = el('h2', {id: 'day-title'}, t('calendar.dayTitle', {date}), holiday ? ` · ${holiday}` : '');
    if (!of.length) {
      dayPanel.replaceChildren(title, el('p', {className: 'empty'}, t('calendar.dayOutside')));
      return;
    }
    const colours = programColours(plans.flatMap((p) => p.days));
    dayPanel.replaceChildren(
        title,
        ...of.map(
            ({sign, day}) =>
                el('div', {className: 'day-sign'},
                   of.length > 1 || plans.length > 1 ? el('h3', {}, sign?.name ?? '') : null,
                   dayTimeline(day, nameOf, date === today ? nowMinute() : null, colours),
                   el('table', {className: 'periods'},
                      el('thead', {},
                         el('tr', {},
                            ['time', 'program'].map((k) => el('th', {scope: 'col'}, t('periodcol.' + k))))),
                      el('tbody', {},
                         day.periods.map(
                             (p) => el(
                                 'tr', {}, el('td', {}, `${p.start}–${p.end}`),
                                 el('td', {}, p.program === null ? t('plan.nothing') : nameOf(p.program)))))),
                   sign ? itemsOfDay(sign.id, date) : null, dayNotes(day, nameOf))),
        programItems([...new Set(of.flatMap((x) => x.day.periods.map((p) => p.program)))].filter(
            (id) => id !== null)));
  }

  // What plays per time of day on DATE, from the day compiled as the scheduler compiles it (asked
  // for one day at a time: compiling costs more than resolving).
  function itemsOfDay(signId, date) {
    const box =
        el('div', {className: 'day-items-box'}, el('p', {className: 'note-muted'}, t('plan.loading')));
    request('GET', `/signs/${signId}/plan?from=${date}&to=${date}&items=true`)
        .then((plan) => box.replaceChildren(dayItems(plan.days[0], nameOf) ?? ''))
        .catch(() => box.replaceChildren(el('p', {className: 'note'}, t('plan.failed'))));
    return box;
  }

  // The items of each program that plays on the chosen day, with their own display windows
  // (within a period an item plays only where its window meets the period).
  const itemCache = new Map();
  function itemsOf(id) {
    if (!itemCache.has(id))
      itemCache.set(id, request('GET', `/programs/${id}`).then((p) => p.current.rows).catch(() => null));
    return itemCache.get(id);
  }

  // An item's window as the editor's columns give it; a start equal to the end is no window.
  const itemText = (row) => (row[4] || row[0]) +
      (row[7] && row[7] !== row[8] ? ` (${t('calendar.window', {start: row[7], end: row[8]})})` : '');

  function programItems(ids) {
    const box = el('div', {className: 'program-items'});
    for (const id of ids) {
      const list = el('ol', {}, el('li', {}, t('plan.loading')));
      box.append(el('h3', {}, t('calendar.itemsOf', {program: nameOf(id)})), list);
      itemsOf(id).then((rows) => {
        if (rows === null) return list.replaceChildren(el('li', {}, t('calendar.itemsFailed')));
        list.replaceChildren(...rows.map((row) => el('li', {}, itemText(row))));
      });
    }
    return box;
  }

  function drawEntries(who) {
    const concerns = (e) =>
        e.signs.some((id) => who.signIds.includes(id)) || e.groups.some((g) => who.groupNames.includes(g));
    const list = entries.filter(concerns).sort((a, b) => b.priority - a.priority || a.id - b.id);
    const signName = (id) => signs.find((s) => s.id === id)?.name ?? `#${id}`;
    entryBody.replaceChildren(...list.map(
        (e) =>
            el('tr', {'data-entry': e.id},
               el('th', {scope: 'row', 'data-label': t('entrycol.id')}, t('plan.entry', {id: e.id})),
               el('td', {'data-label': t('entrycol.program')}, nameOf(e.program)),
               el('td', {'data-label': t('entrycol.targets')}, entryTargets(e, signName)),
               el('td', {'data-label': t('entrycol.range')}, entryRange(e)),
               el('td', {'data-label': t('entrycol.weekdays')}, entryWeekdays(e)),
               el('td', {'data-label': t('entrycol.holidays')}, t('holidays.' + e.holidays)),
               el('td', {'data-label': t('entrycol.times')}, entryTimes(e)),
               el('td', {'data-label': t('entrycol.priority')}, String(e.priority)),
               operator ? el('td', {className: 'actions'},
                             el('button',
                                {
                                  type: 'button',
                                  className: 'edit',
                                  'aria-label': t('calendar.editLabel', {id: e.id}),
                                  onClick: () => form.edit(e)
                                },
                                t('calendar.edit')),
                             ' ',
                             el('button',
                                {
                                  type: 'button',
                                  className: 'danger',
                                  'aria-label': t('calendar.deleteLabel', {id: e.id}),
                                  onClick: () => remove(e)
                                },
                                t('calendar.delete'))) :
                          null)));
    noEntries.hidden = list.length > 0;
    entryTable.hidden = list.length === 0;
  }

  async function remove(entry) {
    if (!window.confirm(t('calendar.confirmDelete', {id: entry.id, program: nameOf(entry.program)}))) return;
    try {
      await request('DELETE', `/calendar/${entry.id}`);
      await load();
      setText(status, t('calendar.deleted', {id: entry.id}));
    } catch (e) {
      setText(status, failureText(e));
    }
  }

  let clockOffset = 0;  // the service's local time less the page's, for the marker
  const nowMinute = () => {
    const d = new Date(Date.now() + clockOffset);
    return d.getHours() * 60 + d.getMinutes();
  };
  load();
  designated.load();
  return () => {
    gone = true;
  };
}
