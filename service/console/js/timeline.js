// A day's plan as a bar over 24 hours, drawn as the editor draws its day timeline: each period's
// program a coloured span, dark hours hatched, the brightness levels on a strip below, hour ticks
// above and a marker at the present minute. Built from elements, so every name stays text.
import {el} from './dom.js';
import {t} from './texts.js';

// The editor's item colours, given here to programs in the order they first appear.
const kColours = ['#5c94d6', '#6eb868', '#ecaa3c', '#b070c8', '#48b6b6', '#e27878', '#aaa050', '#7882dc'];

export function minuteOf(text) {
  const [h, m] = String(text).split(':').map(Number);
  return h * 60 + m;
}

const share = (minute) => `${(minute / 1440) * 100}%`;

// Positions are set through the style object: the page's policy refuses style attributes.
function placed(node, start, width = null) {
  node.style.left = share(start);
  if (width !== null) node.style.width = share(width);
  return node;
}

function span(className, start, end, label, title) {
  const a = minuteOf(start), b = end === '24:00' ? 1440 : minuteOf(end);
  return placed(el('div', {className, title}, label), a, b - a);
}

// The colour of each program of DAY's periods, by id.
export function programColours(days) {
  const colours = new Map();
  for (const day of days)
    for (const p of day.periods)
      if (p.program !== null && !colours.has(p.program))
        colours.set(p.program, kColours[colours.size % kColours.length]);
  return colours;
}

// The bar for DAY (one day of a sign's plan); NAMEOF(id) names a program; NOW a minute to mark
// (or null); COLOURS from programColours.
export function dayTimeline(day, nameOf, now = null, colours = programColours([day])) {
  const range = (p) => `${p.start}–${p.end}`;
  const periods = day.periods.map((p) => {
    const name = p.program === null ? t('plan.nothing') : nameOf(p.program);
    const node =
        span('span' + (p.program === null ? ' idle' : ''), p.start, p.end, name, `${range(p)} ${name}`);
    if (p.program !== null) node.style.background = colours.get(p.program);
    return node;
  });
  const dark =
      day.dark.map((d) => span('span dark', d.start, d.end, t('plan.dark'), `${range(d)} ${t('plan.dark')}`));
  const levels = day.brightness.map(
      (b) =>
          span('level', b.start, b.end, String(b.level), `${range(b)} ${t('plan.level', {level: b.level})}`));
  const ticks = Array.from(
      {length: 25},
      (_, h) => placed(
          el('span', {className: 'tick' + (h % 6 === 0 ? ' major' : '')},
             h % 3 === 0 ? String(h).padStart(2, '0') : ''),
          h * 60));
  const marker = now === null ? null : placed(el('div', {className: 'now'}), now);
  return el(
      'div', {className: 'timeline', role: 'img', 'aria-label': timelineText(day, nameOf)},
      el('div', {className: 'ticks', 'aria-hidden': 'true'}, ticks),
      el('div', {className: 'bar-day', 'aria-hidden': 'true'}, periods, dark, marker),
      el('div', {className: 'levels', 'aria-hidden': 'true'}, levels));
}

// The same day in words, for screen readers.
export function timelineText(day, nameOf) {
  const parts = day.periods.map(
      (p) => `${p.start}–${p.end} ${p.program === null ? t('plan.nothing') : nameOf(p.program)}`);
  for (const d of day.dark) parts.push(`${d.start}–${d.end} ${t('plan.dark')}`);
  for (const b of day.brightness) parts.push(`${b.start}–${b.end} ${t('plan.level', {level: b.level})}`);
  return parts.join(', ');
}

// What plays per time of day (a plan day asked for with items=true), as rows under the bar: each
// span's items by program and number, the day's pushes and its fall-back. Null without them.
export function dayItems(day, nameOf) {
  if (!day.plays) return null;
  const itemName = (i) => t('plan.item', {program: nameOf(i.program), item: i.item});
  const what = (s) => s.dark ? t('plan.dark') :
      s.items.length         ? s.items.map(itemName).join(', ') :
                               t('plan.idle');
  const rows = day.plays.map(
      (s) => el('li', {}, el('span', {className: 'time'}, `${s.start}–${s.end}`), ' ', what(s)));
  const pushes = day.pushes.map(
      (p) =>
          el('li', {},
             p.program === null ? t('plan.push', {at: p.at}) :
                                  t('plan.pushPeriod', {at: p.at, program: nameOf(p.program)}),
             p.invisible ? ` (${t('plan.invisible')})` : ''));
  return el(
      'div', {className: 'day-items'}, el('h3', {}, t('plan.plays')), el('ol', {className: 'plays'}, rows),
      pushes.length ? el('ul', {className: 'pushes'}, pushes) : null,
      day.fallback ? el('p', {className: 'fallback'}, t('plan.fallback', {why: day.fallback})) : null);
}
