// The login form: a modal layer over the page (over an open dialog too), so that what the page
// held is still there after a session that ended is renewed.
import {ApiError, request, setCsrf} from './api.js';
import {t} from './texts.js';

const $ = (id) => document.getElementById(id);
let onLogin = () => {};

export function setUpLogin(loggedIn) {
  onLogin = loggedIn;
  $('login-title').textContent = t('login.title');
  $('login-user-label').textContent = t('login.user');
  $('login-password-label').textContent = t('login.password');
  $('login-submit').textContent = t('login.submit');
  // Only a login closes it.
  $('login').addEventListener('cancel', (event) => event.preventDefault());
  $('login-form').addEventListener('submit', (event) => {
    event.preventDefault();
    submit();
  });
}

export function loginShown() {
  return $('login').open;
}

// Shows the form with NOTE (a key of the texts, or '').
export function showLogin(note = '') {
  const layer = $('login');
  $('login-note').textContent = note ? t(note) : '';
  $('login-password').value = '';
  if (!layer.open) layer.showModal();
  document.body.classList.add('locked');
  const user = $('login-user');
  (user.value ? $('login-password') : user).focus();
}

function hideLogin() {
  $('login').close();
  document.body.classList.remove('locked');
}

async function submit() {
  const user = $('login-user').value.trim();
  const password = $('login-password').value;
  const note = $('login-note');
  if (!user || !password) {
    note.textContent = t('login.missing');
    return;
  }
  const button = $('login-submit');
  button.disabled = true;
  try {
    const session = await request('POST', '/session', {user, password});
    setCsrf(session.csrf);
    hideLogin();
    onLogin({user: session.user, role: session.role});
  } catch (e) {
    const key = !(e instanceof ApiError) || e.status === 0 ? 'error.offline' :
        e.status === 401                                   ? 'login.refused' :
        e.status === 429                                   ? 'login.throttled' :
                                                             '';
    note.textContent = key ? t(key) : t('error.failed', {message: e.message});
    $('login-password').select();
  } finally {
    button.disabled = false;
  }
}
