// The login page: exchanges the access token for the session cookie.
const form = document.getElementById('login-form');
const message = document.getElementById('login-message');

const reasons = {
  '#failed': 'The token in the link was not accepted. Paste the one from zdmond\'s token file.',
  '#wait': 'Too many wrong tokens were tried from here: wait a minute, then try again.',
};
message.textContent = reasons[location.hash] || '';

form.addEventListener('submit', async (event) => {
  event.preventDefault();
  message.textContent = 'Checking…';
  const token = document.getElementById('token').value.trim();
  try {
    const response = await fetch('/api/v1/session', {
      method: 'POST',
      headers: { 'Content-Type': 'application/json' },
      body: JSON.stringify({ token }),
      credentials: 'same-origin',
    });
    if (response.ok) {
      location.replace('/');
      return;
    }
    const answer = await response.json().catch(() => ({}));
    message.textContent = answer.error ? answer.error.message : `Login failed (HTTP ${response.status}).`;
  } catch (error) {
    message.textContent = `zdmond cannot be reached: ${error.message}`;
  }
});
