// Shift-JIS (code page 932) at the byte level, for the parsers and the
// formatters that step through text without the platform's conversions.
#pragma once

// A byte that begins a two-byte character.
inline bool is_sjis_lead(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
