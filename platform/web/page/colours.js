// The program's colours (0x00BBGGRR) on the page; the button-face colour (0xFF000000) is
// the page's own.
export function cssColour(c) {
  if (c >>> 0 === 0xFF000000) return 'var(--face)';
  return '#' + [c & 0xFF, (c >>> 8) & 0xFF, (c >>> 16) & 0xFF].map((v) => v.toString(16).padStart(2, '0')).join('');
}
