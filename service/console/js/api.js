// The service's API as the console uses it: the session cookie goes with every request, the CSRF
// token with every change. A request refused for lack of a session tells the page once, so that
// it can ask for a login; a request that cannot reach the service tells it too.

let csrf = '';
const expiredListeners = [];
const connectionListeners = [];

export class ApiError extends Error {
  constructor(status, code, message, details = {}) {
    super(message);
    this.status = status;  // 0 when the service could not be reached
    this.code = code;
    this.details = details;
  }
}

export function setCsrf(token) {
  csrf = token ?? '';
}

export function onExpired(listener) {
  expiredListeners.push(listener);
}

export function onConnection(listener) {
  connectionListeners.push(listener);
}

function tellConnection(up) {
  for (const listener of connectionListeners) listener(up);
}

// METHOD on /api/v1 + PATH with BODY as JSON; the parsed answer (the text with AS_TEXT), null
// for 204.
export async function request(method, path, body, asText = false) {
  const headers = {Accept: asText ? 'text/plain' : 'application/json'};
  if (body !== undefined) headers['Content-Type'] = 'application/json';
  if (method !== 'GET' && csrf) headers['X-CSRF-Token'] = csrf;
  let res;
  try {
    res = await fetch('/api/v1' + path, {
      method,
      headers,
      body: body === undefined ? undefined : JSON.stringify(body),
      credentials: 'same-origin',
      cache: 'no-store',
    });
  } catch {
    tellConnection(false);
    throw new ApiError(0, 'offline', '');
  }
  tellConnection(true);
  if (asText && res.ok) return res.text();
  let data = null;
  if (res.status !== 204) {
    try {
      data = await res.json();
    } catch {
      data = null;
    }
  }
  if (res.ok) return data;
  const error = data?.error ?? {};
  // The session's own routes answer 401 for a wrong password or no session yet: not an expiry.
  if (res.status === 401 && path !== '/session')
    for (const listener of expiredListeners) listener();
  throw new ApiError(res.status, error.code ?? '', error.message ?? '', data ?? {});
}
