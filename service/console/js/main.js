// The console's shell: who is logged in, the bar with its navigation and logout, the view the
// address names, and what happens when the session ends or the service cannot be reached.
import {onConnection, onExpired, request, setCsrf} from './api.js';
import {EmergencyBanner} from './banner.js';
import {el} from './dom.js';
import {loginShown, setUpLogin, showLogin} from './login.js';
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
  get user() {
    return session.user;
  },
  mayOperate: () => session.role === 'operator' || session.role === 'admin',
  // Views do not poll while the login form is up: their requests would only be refused.
  paused: () => loginShown() || !session.active,
  // A notice was sent or ended here: the banner says so at once rather than at its next round.
  noticesChanged: () => banner.refresh(),
};
const banner = new EmergencyBanner($('emergency'), context);

// The sections of the bar; ADMIN ones are not offered to other roles (the service refuses them).
const kSections = [
  {section: '#/signs', text: 'nav.signs'},
  {section: '#/programs', text: 'nav.programs'},
  {section: '#/groups', text: 'nav.groups'},
  {section: '#/calendar', text: 'nav.calendar'},
  {section: '#/jobs', text: 'nav.jobs'},
  {section: '#/emergency', text: 'nav.emergency'},
  {section: '#/audit', text: 'nav.audit', admin: true},
  {section: '#/users', text: 'nav.users', admin: true},
];

// Every page but the signs' loads its scripts when first opened, so that the first load carries
// only what the signs page needs.
function lazyPage(load, name) {
  return (view, context, target) => {
    let unmount = null;
    let gone = false;
    load().then(
        (module) => {
          if (!gone) unmount = module[name](view, context, target);
        },
        () => {
          if (!gone) view.append(el('p', {className: 'note', role: 'alert'}, t('error.offline')));
        });
    return () => {
      gone = true;
      if (unmount) unmount();
    };
  };
}

const mountAudit = lazyPage(() => import('./audit.js'), 'mountAudit');
const mountCalendar = lazyPage(() => import('./calendar.js'), 'mountCalendar');
const mountEmergency = lazyPage(() => import('./emergency.js'), 'mountEmergency');
const mountGroups = lazyPage(() => import('./groups.js'), 'mountGroups');
const mountJob = lazyPage(() => import('./jobs.js'), 'mountJob');
const mountJobs = lazyPage(() => import('./jobs.js'), 'mountJobs');
const mountProgram = lazyPage(() => import('./programs.js'), 'mountProgram');
const mountPrograms = lazyPage(() => import('./programs.js'), 'mountPrograms');
const mountSign = lazyPage(() => import('./sign.js'), 'mountSign');
const mountUsers = lazyPage(() => import('./users.js'), 'mountUsers');

function forbidden(view) {
  view.append(el('p', {className: 'note', role: 'alert'}, t('error.forbidden')));
  return null;
}

// The page the address names: its section, what mounts it and the id in it.
function routeOf(hash) {
  // A sign's or group's calendar: '#/calendar/sign/ID', '#/calendar/group/ID'.
  const calendar = /^#\/calendar\/(sign|group)\/(\d+)$/.exec(hash);
  if (calendar)
    return {
      section: '#/calendar',
      mount: (view, context) => mountCalendar(view, context, `${calendar[1]}:${calendar[2]}`)
    };
  const one = /^#\/(signs|jobs|programs|emergency)\/(\d+)$/.exec(hash);
  if (one) {
    const mount =
        {signs: mountSign, jobs: mountJob, programs: mountProgram, emergency: mountEmergency}[one[1]];
    return {section: '#/' + one[1], mount, id: Number(one[2])};
  }
  const pages = {
    '#/jobs': mountJobs,
    '#/programs': mountPrograms,
    '#/groups': mountGroups,
    '#/calendar': mountCalendar,
    '#/emergency': mountEmergency,
    '#/audit': mountAudit,
    '#/users': mountUsers
  };
  const section = kSections.find((s) => s.section === hash);
  if (!pages[hash]) return {section: '#/signs', mount: mountSigns};
  if (section.admin && session.role !== 'admin') return {section: hash, mount: forbidden};
  return {section: hash, mount: pages[hash]};
}

function buildNav() {
  $('nav').replaceChildren(...kSections.filter((s) => !s.admin || session.role === 'admin')
                               .map((s) => el('a', {href: s.section}, t(s.text))));
}

function showView() {
  if (unmount) unmount();
  unmount = null;
  const view = $('view');
  view.replaceChildren();
  if (!session.active) return;
  const hash = location.hash;
  const route = routeOf(hash);
  unmount = route.mount(view, context, route.id);
  for (const link of $('nav').children) {
    if (link.getAttribute('href') === route.section)
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
  if (changed) {
    buildNav();
    showView();
    banner.start();
  }
}

async function logout() {
  try {
    await request('DELETE', '/session');
  } catch {
    // The session may have ended already; the page leaves it all the same.
  }
  setCsrf('');
  session.active = false;
  banner.stop();
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
