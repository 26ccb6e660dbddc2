// How times from the service read on the page.

// "YYYY-MM-DDTHH:MM:SS.mmm" as "YYYY-MM-DD HH:MM:SS"; '' for nothing.
export function shortTime(iso) {
  if (!iso) return '';
  return String(iso).replace('T', ' ').slice(0, 19);
}
