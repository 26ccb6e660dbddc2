// The jobs: the latest ones with their state, and one job's progress sign by sign, refreshed as
// it runs; operators may cancel a job that has not ended.
import {ApiError, request} from './api.js';
import {el, setText} from './dom.js';
import {shortTime} from './format.js';
import {t} from './texts.js';

const kRefreshMs = 2000;
const kEnded = ['done', 'failed', 'cancelled'];

function actionText(job) {
  return t('action.' + job.action);
}

function stateCell(state) {
  return el('td', {className: 'job-' + state}, t('job.' + state));
}

// Runs LOAD every kRefreshMs while the page stands: stop() ends it, now() runs it at once.
function poll(context, load) {
  let timer = 0;
  let stopped = false;
  let round = 0;  // only the latest round schedules the next
  const run = async () => {
    const mine = ++round;
    clearTimeout(timer);
    if (!context.paused()) {
      try {
        await load(() => stopped || mine !== round);
      } catch {
        // The banner or the login form says why; the next round tries again.
      }
    }
    if (!stopped && mine === round) timer = setTimeout(run, kRefreshMs);
  };
  run();
  return {
    stop() {
      stopped = true;
      clearTimeout(timer);
    },
    now: run,
  };
}

function cancelButton(job, status, refresh) {
  return el(
      'button', {
        type: 'button',
        className: 'cancel',
        'aria-label': t('job.cancelLabel', {job: job.id}),
        onClick: async () => {
          try {
            await request('POST', `/jobs/${job.id}/cancel`);
            setText(status, t('job.cancelledNote', {job: job.id}));
          } catch (e) {
            setText(
                status,
                e instanceof ApiError && e.status === 409 ? t('job.alreadyEnded', {job: job.id}) :
                                                            t('error.failed', {message: e.message}));
          }
          refresh();
        },
      },
      t('job.cancel'));
}

export function mountJobs(view, context) {
  const status = el('p', {className: 'status', role: 'status'});
  const body = el('tbody');
  const columns = ['id', 'action', 'target', 'state', 'by', 'created', 'finished'].concat(
      context.mayOperate() ? ['cancel'] : []);
  const table =
      el('table', {className: 'signs jobs'},
         el('thead', {}, el('tr', {}, columns.map((key) => el('th', {scope: 'col'}, t('jobcol.' + key))))),
         body);
  const empty = el('p', {className: 'empty', hidden: true}, t('jobs.empty'));
  view.append(el('div', {className: 'heading'}, el('h1', {}, t('jobs.title'))), status, empty, table);
  const polling = poll(context, async (stale) => {
    const jobs = await request('GET', '/jobs?limit=50');
    if (stale()) return;
    // Rebuilt only when something changed, so that a focused cancel button keeps its focus.
    const key = JSON.stringify(jobs.map((j) => [j.id, j.state, j.finished]));
    if (key === body.dataset.key) return;
    body.dataset.key = key;
    body.replaceChildren(...jobs.map(
        (job) =>
            el('tr', {},
               el('th', {scope: 'row', 'data-label': t('jobcol.id')},
                  el('a', {href: `#/jobs/${job.id}`}, String(job.id))),
               el('td', {'data-label': t('jobcol.action')}, actionText(job)),
               el('td', {'data-label': t('jobcol.target')}, job.target), stateCell(job.state),
               el('td', {'data-label': t('jobcol.by')}, job.createdBy),
               el('td', {'data-label': t('jobcol.created')}, shortTime(job.created)),
               el('td', {'data-label': t('jobcol.finished')}, shortTime(job.finished) || '-'),
               context.mayOperate() ?
                   el('td', {className: 'actions'},
                      kEnded.includes(job.state) ? null : cancelButton(job, status, () => polling.now())) :
                   null)));
    empty.hidden = jobs.length > 0;
    table.hidden = jobs.length === 0;
  });
  return polling.stop;
}

export function mountJob(view, context, id) {
  const status = el('p', {className: 'status', role: 'status'});
  const title = el('h1', {}, t('job.title', {job: id}));
  const state = el('span', {className: 'job-state'});
  const summary = el('dl', {className: 'details'});
  const body = el('tbody');
  const actions = el('div', {className: 'command-row'});
  view.append(
      el('a', {href: '#/jobs', className: 'back'}, t('jobs.back')),
      el('div', {className: 'heading'}, title, state), status, summary, actions, el('h2', {}, t('job.signs')),
      el('table', {className: 'signs'},
         el('thead', {},
            el('tr', {},
               ['sign', 'state', 'progress', 'message'].map(
                   (key) => el('th', {scope: 'col'}, t('jobsign.' + key))))),
         body));
  let names = new Map();
  const polling = poll(context, async (stale) => {
    const [job, signs] =
        await Promise.all([request('GET', `/jobs/${id}`), names.size ? null : request('GET', '/signs')]);
    if (stale()) return;
    if (signs) names = new Map(signs.map((s) => [s.id, s.name]));
    state.className = 'job-state job-' + job.state;
    setText(state, t('job.' + job.state));
    summary.replaceChildren(...[['jobcol.action', actionText(job)],
                                ['jobcol.target', job.target],
                                ['jobcol.by', job.createdBy],
                                ['jobcol.created', shortTime(job.created)],
                                ['jobcol.finished', shortTime(job.finished) || '-'],
    ].flatMap(([key, value]) => [el('dt', {}, t(key)), el('dd', {}, value)]));
    const cancellable = context.mayOperate() && !kEnded.includes(job.state);
    if (cancellable && !actions.firstChild) actions.append(cancelButton(job, status, () => polling.now()));
    if (!cancellable) actions.replaceChildren();
    body.replaceChildren(...job.signs.map(
        (s) =>
            el('tr', {},
               el('th', {scope: 'row', 'data-label': t('jobsign.sign')},
                  el('a', {href: `#/signs/${s.sign}`}, names.get(s.sign) ?? `#${s.sign}`)),
               stateCell(s.state),
               el('td', {'data-label': t('jobsign.progress')},
                  s.total ? `${Math.floor((100 * s.done) / s.total)} %` : '-'),
               el('td', {'data-label': t('jobsign.message')}, s.message || '-'))));
  });
  return polling.stop;
}
