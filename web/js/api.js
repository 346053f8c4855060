// The dashboard's calls to zdmond's API (/api/v1/, described in
// /openapi.yaml). Changes carry the session's CSRF token; an answer that is
// not a success becomes an ApiError with the controller's code and text.

let csrfToken = null;

export class ApiError extends Error {
  constructor(status, document) {
    const error = document && document.error ? document.error : { kind: 'failure', message: `HTTP ${status}` };
    super(error.message);
    this.status = status;
    this.kind = error.kind;
    this.controllerCode = error.controller_code;
    this.controllerText = error.controller_text;
    this.document = document || {};
  }
}

async function call(method, path, body) {
  const headers = { Accept: 'application/json' };
  const options = { method, headers, credentials: 'same-origin' };
  if (method !== 'GET') {
    headers['Content-Type'] = 'application/json';
    headers['X-CSRF-Token'] = csrfToken || '';
    options.body = JSON.stringify(body || {});
  }
  const response = await fetch(path, options);
  if (response.status === 401) {
    location.assign('/login');
    throw new ApiError(401, null);
  }
  const document = await response.json().catch(() => null);
  if (!response.ok) throw new ApiError(response.status, document);
  return document;
}

export const api = {
  get: (path) => call('GET', path),
  post: (path, body) => call('POST', path, body),
  del: (path) => call('DELETE', path),

  // Reads the session (and its CSRF token) once at start.
  async start() {
    const session = await call('GET', '/api/v1/session');
    csrfToken = session.csrf_token;
    return session;
  },

  // A firmware image as the raw body, with the transfer's progress.
  upload(path, file, onProgress) {
    return new Promise((resolve, reject) => {
      const request = new XMLHttpRequest();
      request.open('POST', path);
      request.setRequestHeader('Content-Type', 'application/octet-stream');
      request.setRequestHeader('X-CSRF-Token', csrfToken || '');
      request.upload.addEventListener('progress', (event) => {
        if (event.lengthComputable) onProgress(Math.round((100 * event.loaded) / event.total));
      });
      request.addEventListener('load', () => {
        let document = null;
        try { document = JSON.parse(request.responseText); } catch { document = null; }
        if (request.status >= 200 && request.status < 300) resolve(document);
        else reject(new ApiError(request.status, document));
      });
      request.addEventListener('error', () => reject(new ApiError(0, null)));
      request.send(file);
    });
  },
};

// "refused by the controller: code 60 (…)" with what the answer carried.
export function describeError(error) {
  if (!(error instanceof ApiError)) return String(error.message || error);
  if (error.status === 0) return 'zdmond cannot be reached';
  return error.message;
}
