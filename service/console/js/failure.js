// What a refused or failed request says to the user.
import {ApiError} from './api.js';
import {t} from './texts.js';

export function failureText(e) {
  if (!(e instanceof ApiError) || e.status === 0) return t('error.offline');
  if (e.status === 403) return t('error.forbidden');
  return t('error.failed', {message: e.message});
}

// The text for KEY, or FALLBACK when the language has none (kinds the service adds later).
export function textOr(key, fallback) {
  const text = t(key);
  return text === key ? fallback : text;
}
