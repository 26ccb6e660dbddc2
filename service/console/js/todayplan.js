// A sign's plan for today on its page: the day timeline bar, with the day's holiday, conflicts and
// problems (fall-backs among them) in words below it, and the items that play per time of day. Today is the
// service's date.
import {request} from './api.js';
import {el, setText} from './dom.js';
import {t} from './texts.js';
import {dayItems, dayTimeline, minuteOf} from './timeline.js';

const kRefreshMs = 60000;  // the marker moves by the minute

// The notes under a day's bar: holiday, ON/OFF, conflicts and problems.
export function dayNotes(day, nameOf) {
  const notes = [];
  if (day.holiday) notes.push(el('li', {className: 'holiday'}, t('plan.holiday', {name: day.holiday})));
  if (day.onOff) notes.push(el('li', {}, t('sign.onOffTimes', day.onOff)));
  for (const c of day.conflicts)
    notes.push(el('li', {className: 'conflict'}, t('plan.conflict', {
                    start: c.start,
                    end: c.end,
                    winner: t('plan.entry', {id: c.winner}),
                    overridden: c.overridden.map((id) => t('plan.entry', {id})).join(', ')
                  })));
  for (const p of day.problems) notes.push(el('li', {className: 'problem'}, p));
  return el('ul', {className: 'day-notes'}, notes);
}

export class TodayPlan {
  constructor(signId) {
    this.signId = signId;
    this.title = el('h2', {id: 'plan-title'}, t('plan.today'));
    this.body = el('div', {}, el('p', {className: 'note-muted'}, t('plan.loading')));
    this.node =
        el('section', {className: 'today-plan', 'aria-labelledby': 'plan-title'}, this.title, this.body,
           el('a', {href: `#/calendar/sign/${signId}`, className: 'calendar-link'}, t('plan.calendar')));
    this.timer = 0;
    this.stopped = false;
  }

  async load(programs) {
    clearTimeout(this.timer);
    try {
      const health = await request('GET', '/health');
      const date = String(health.time).slice(0, 10);
      const plan = await request('GET', `/signs/${this.signId}/plan?from=${date}&to=${date}&items=true`);
      if (this.stopped) return;
      const day = plan.days[0];
      const nameOf = (id) => programs().get(id)?.name ?? t('plan.program', {id});
      setText(this.title, t('plan.todayOf', {date}));
      this.body.replaceChildren(
          dayTimeline(day, nameOf, minuteOf(String(health.time).slice(11, 16))), dayItems(day, nameOf),
          dayNotes(day, nameOf));
    } catch {
      if (!this.stopped) this.body.replaceChildren(el('p', {className: 'note'}, t('plan.failed')));
    }
    if (!this.stopped) this.timer = setTimeout(() => this.load(programs), kRefreshMs);
  }

  stop() {
    this.stopped = true;
    clearTimeout(this.timer);
  }
}
