// The console's shell: who is logged in, the bar with its navigation and logout, the view the
// address names, and what happens when the session ends or the service cannot be reached.
import {onConnection, onExpired, request, setCsrf} from './api.js';
import {el} from './dom.js';
import {mountJob, mountJobs} from './jobs.js';
import {loginShown, setUpLogin, showLogin} from './login.js';
import {mountSign} from './sign.js';
import {mountSigns} from './signs.js';
import {t} from './texts.js';

const $ = (id) => document.getElementById(id);
const session = {
  user: '',
  role: '',
  active: false
};
let unmount = null;

const context = {
  get role() {
    return session.role;
  },
  mayOperate: () => session.role === 'operator' || session.role === 'admin',
  // Views do not poll while the login form is up: their requests would only be refused.
  paused: () => loginShown() || !session.active,
};

function showView() {
  if (unmount) unmount();
  unmount = null;
  const view = $('view');
  view.replaceChildren();
  if (!session.active) return;
  const hash = location.hash;
  const sign = /^#\/signs\/(\d+)$/.exec(hash);
  const job = /^#\/jobs\/(\d+)$/.exec(hash);
  if (sign)
    unmount = mountSign(view, context, Number(sign[1]));
  else if (job)
    unmount = mountJob(view, context, Number(job[1]));
  else if (hash === '#/jobs')
    unmount = mountJobs(view, context);
  else
    unmount = mountSigns(view, context);
  const section = hash.startsWith('#/jobs') ? '#/jobs' : '#/signs';
  for (const link of $('nav').children) {
    if (link.getAttribute('href') === section)
      link.setAttribute('aria-current', 'page');
    else
      link.removeAttribute('aria-current');
  }
  if (document.activeElement !== document.body) view.focus();
}

function enter(who) {
  const changed = who.user !== session.user || who.role !== session.role || !session.active;
  Object.assign(session, who, {active: true});
  $('who').textContent = `${who.user} (${t('role.' + who.role)})`;
  $('bar').hidden = false;
  if (changed) showView();
}

async function logout() {
  try {
    await request('DELETE', '/session');
  } catch {
    // The session may have ended already; the page leaves it all the same.
  }
  setCsrf('');
  session.active = false;
  showView();
  $('bar').hidden = true;
  showLogin('login.loggedOut');
}

function setUpShell() {
  document.title = t('app.title');
  $('skip').textContent = t('app.skip');
  // The address names the page: the skip link moves the focus without changing it.
  $('skip').addEventListener('click', (event) => {
    event.preventDefault();
    $('view').focus();
  });
  $('brand').textContent = t('app.title');
  $('nav').append(el('a', {href: '#/signs'}, t('nav.signs')), el('a', {href: '#/jobs'}, t('nav.jobs')));
  $('logout').textContent = t('logout');
  $('logout').addEventListener('click', logout);
  $('offline').textContent = t('offline');
  onConnection((up) => {
    $('offline').hidden = up;
  });
  onExpired(() => {
    if (!loginShown()) showLogin('login.expired');
  });
  setUpLogin(enter);
  window.addEventListener('hashchange', showView);
}

async function start() {
  setUpShell();
  try {
    const me = await request('GET', '/session');
    setCsrf(me.csrf);
    enter({user: me.user, role: me.role});
  } catch (e) {
    showLogin(e.status === 0 ? 'error.offline' : '');
  }
}

start();
