#include "reader/entities.h"

#include <cstddef>

const EntityRow EntityTable[kEntityCount + 1] = {
    {L"quot", 34}, {L"amp", 38}, {L"lt", 60}, {L"gt", 62},
    // Latin-1, in code-point order.
    {L"nbsp", 160}, {L"iexcl", 161}, {L"cent", 162}, {L"pound", 163}, {L"curren", 164},
    {L"yen", 165}, {L"brvbar", 166}, {L"sect", 167}, {L"uml", 168}, {L"copy", 169}, {L"ordf", 170},
    {L"laquo", 171}, {L"not", 172}, {L"shy", 173}, {L"reg", 174}, {L"macr", 175}, {L"deg", 176},
    {L"plusmn", 177}, {L"sup2", 178}, {L"sup3", 179}, {L"acute", 180}, {L"micro", 181},
    {L"para", 182}, {L"middot", 183}, {L"cedil", 184}, {L"sup1", 185}, {L"ordm", 186},
    {L"raquo", 187}, {L"frac14", 188}, {L"frac12", 189}, {L"frac34", 190}, {L"iquest", 191},
    {L"Agrave", 192}, {L"Aacute", 193}, {L"Acirc", 194}, {L"Atilde", 195}, {L"Auml", 196},
    {L"Aring", 197}, {L"AElig", 198}, {L"Ccedil", 199}, {L"Egrave", 200}, {L"Eacute", 201},
    {L"Ecirc", 202}, {L"Euml", 203}, {L"Igrave", 204}, {L"Iacute", 205}, {L"Icirc", 206},
    {L"Iuml", 207}, {L"ETH", 208}, {L"Ntilde", 209}, {L"Ograve", 210}, {L"Oacute", 211},
    {L"Ocirc", 212}, {L"Otilde", 213}, {L"Ouml", 214}, {L"times", 215}, {L"Oslash", 216},
    {L"Ugrave", 217}, {L"Uacute", 218}, {L"Ucirc", 219}, {L"Uuml", 220}, {L"Yacute", 221},
    {L"THORN", 222}, {L"szlig", 223}, {L"agrave", 224}, {L"aacute", 225}, {L"acirc", 226},
    {L"atilde", 227}, {L"auml", 228}, {L"aring", 229}, {L"aelig", 230}, {L"ccedil", 231},
    {L"egrave", 232}, {L"eacute", 233}, {L"ecirc", 234}, {L"euml", 235}, {L"igrave", 236},
    {L"iacute", 237}, {L"icirc", 238}, {L"iuml", 239}, {L"eth", 240}, {L"ntilde", 241},
    {L"ograve", 242}, {L"oacute", 243}, {L"ocirc", 244}, {L"otilde", 245}, {L"ouml", 246},
    {L"divide", 247}, {L"oslash", 248}, {L"ugrave", 249}, {L"uacute", 250}, {L"ucirc", 251},
    {L"uuml", 252}, {L"yacute", 253}, {L"thorn", 254}, {L"yuml", 255},
    // Symbols, in the order HTML 4.01 defines them: Greek, punctuation,
    // letter-like symbols, arrows, operators, technical, shapes and suits.
    {L"fnof", 402}, {L"Alpha", 913}, {L"Beta", 914}, {L"Gamma", 915}, {L"Delta", 916},
    {L"Epsilon", 917}, {L"Zeta", 918}, {L"Eta", 919}, {L"Theta", 920}, {L"Iota", 921},
    {L"Kappa", 922}, {L"Lambda", 923}, {L"Mu", 924}, {L"Nu", 925}, {L"Xi", 926}, {L"Omicron", 927},
    {L"Pi", 928}, {L"Rho", 929}, {L"Sigma", 931}, {L"Tau", 932}, {L"Upsilon", 933}, {L"Phi", 934},
    {L"Chi", 935}, {L"Psi", 936}, {L"Omega", 937}, {L"alpha", 945}, {L"beta", 946}, {L"gamma", 947},
    {L"delta", 948}, {L"epsilon", 949}, {L"zeta", 950}, {L"eta", 951}, {L"theta", 952},
    {L"iota", 953}, {L"kappa", 954}, {L"lambda", 955}, {L"mu", 956}, {L"nu", 957}, {L"xi", 958},
    {L"omicron", 959}, {L"pi", 960}, {L"rho", 961}, {L"sigmaf", 962}, {L"sigma", 963},
    {L"tau", 964}, {L"upsilon", 965}, {L"phi", 966}, {L"chi", 967}, {L"psi", 968}, {L"omega", 969},
    {L"thetasym", 977}, {L"upsih", 978}, {L"piv", 982}, {L"bull", 8226}, {L"hellip", 8230},
    {L"prime", 8242}, {L"Prime", 8243}, {L"oline", 8254}, {L"frasl", 8260}, {L"weierp", 8472},
    {L"image", 8465}, {L"real", 8476}, {L"trade", 8482}, {L"alefsym", 8501}, {L"larr", 8592},
    {L"uarr", 8593}, {L"rarr", 8594}, {L"darr", 8595}, {L"harr", 8596}, {L"crarr", 8629},
    {L"lArr", 8656}, {L"uArr", 8657}, {L"rArr", 8658}, {L"dArr", 8659}, {L"hArr", 8660},
    {L"forall", 8704}, {L"part", 8706}, {L"exist", 8707}, {L"empty", 8709}, {L"nabla", 8711},
    {L"isin", 8712}, {L"notin", 8713}, {L"ni", 8715}, {L"prod", 8719}, {L"sum", 8721},
    {L"minus", 8722}, {L"lowast", 8727}, {L"radic", 8730}, {L"prop", 8733}, {L"infin", 8734},
    {L"ang", 8736}, {L"and", 8743}, {L"or", 8744}, {L"cap", 8745}, {L"cup", 8746}, {L"int", 8747},
    {L"there4", 8756}, {L"sim", 8764}, {L"cong", 8773}, {L"asymp", 8776}, {L"ne", 8800},
    {L"equiv", 8801}, {L"le", 8804}, {L"ge", 8805}, {L"sub", 8834}, {L"sup", 8835}, {L"nsub", 8836},
    {L"sube", 8838}, {L"supe", 8839}, {L"oplus", 8853}, {L"otimes", 8855}, {L"perp", 8869},
    {L"sdot", 8901}, {L"lceil", 8968}, {L"rceil", 8969}, {L"lfloor", 8970}, {L"rfloor", 8971},
    {L"lang", 9001}, {L"rang", 9002}, {L"loz", 9674}, {L"spades", 9824}, {L"clubs", 9827},
    {L"hearts", 9829}, {L"diams", 9830},
    // The rest of the special set.
    {L"OElig", 338}, {L"oelig", 339}, {L"Scaron", 352}, {L"scaron", 353}, {L"Yuml", 376},
    {L"circ", 710}, {L"tilde", 732}, {L"ensp", 8194}, {L"emsp", 8195}, {L"thinsp", 8201},
    {L"zwnj", 8204}, {L"zwj", 8205}, {L"lrm", 8206}, {L"rlm", 8207}, {L"ndash", 8211},
    {L"mdash", 8212}, {L"lsquo", 8216}, {L"rsquo", 8217}, {L"sbquo", 8218}, {L"ldquo", 8220},
    {L"rdquo", 8221}, {L"bdquo", 8222}, {L"dagger", 8224}, {L"Dagger", 8225}, {L"permil", 8240},
    {L"lsaquo", 8249}, {L"rsaquo", 8250}, {L"euro", 8364},
    {nullptr, 0},
};

namespace {

template <typename Ch>
bool name_equals(const Ch* name, size_t length, const wchar_t* row)
{
    for (size_t i = 0; i < length; ++i) {
        if (row[i] == 0 || static_cast<uint32_t>(row[i]) != static_cast<uint32_t>(name[i]))
            return false;
    }
    return row[length] == 0;
}

template <typename Ch>
const EntityRow* find_entity(const Ch* name, size_t length)
{
    for (const EntityRow* row = EntityTable; row->name; ++row) {
        if (name_equals(name, length, row->name)) return row;
    }
    return nullptr;
}

constexpr uint32_t kLastCodePoint = 0x10FFFF;

bool is_surrogate(uint32_t code) { return code >= 0xD800 && code <= 0xDFFF; }

template <typename Ch>
int digit_value(Ch c, uint32_t base)
{
    const uint32_t u = static_cast<uint32_t>(c);
    if (u >= '0' && u <= '9') return static_cast<int>(u - '0');
    if (base == 16 && u >= 'a' && u <= 'f') return static_cast<int>(u - 'a' + 10);
    if (base == 16 && u >= 'A' && u <= 'F') return static_cast<int>(u - 'A' + 10);
    return -1;
}

// The character a numeric reference's name ("#" and decimal digits, or "#x"
// and hexadecimal digits) stands for; 0 when it names none.
template <typename Ch>
uint32_t numeric_code(const Ch* name, size_t length)
{
    if (length < 2 || name[0] != Ch('#')) return 0;
    size_t i = 1;
    uint32_t base = 10;
    if (name[1] == Ch('x') || name[1] == Ch('X')) {
        base = 16;
        i = 2;
    }
    if (i >= length) return 0;
    uint32_t code = 0;
    for (; i < length; ++i) {
        const int digit = digit_value(name[i], base);
        if (digit < 0) return 0;
        code = code * base + static_cast<uint32_t>(digit);
        // Stopping here also keeps the sum from overflowing.
        if (code > kLastCodePoint) return 0;
    }
    return is_surrogate(code) ? 0 : code;
}

// Writes `code` at text[w] as one UTF-16 unit or a surrogate pair; returns
// the units written.
template <typename Ch>
size_t put_code(Ch* text, size_t w, uint32_t code)
{
    if (code < 0x10000) {
        text[w] = static_cast<Ch>(code);
        return 1;
    }
    code -= 0x10000;
    text[w] = static_cast<Ch>(0xD800 + (code >> 10));
    text[w + 1] = static_cast<Ch>(0xDC00 + (code & 0x3FF));
    return 2;
}

template <typename Ch>
void decode_entities(Ch* text)
{
    if (!text) return;
    // One pass with a read and a write position: the text only shrinks (the
    // shortest reference above U+FFFF, "&#65536;", is longer than its pair),
    // and a character written for a reference is behind the read position, so
    // it is never examined again.
    size_t r = 0, w = 0;
    size_t semi = 0;   // the next ";" at or after r + 1, once found
    bool semiKnown = false;
    for (;;) {
        Ch c = text[r];
        if (c == 0) break;
        if (c != Ch('&')) {
            text[w++] = c;
            ++r;
            continue;
        }
        if (!semiKnown || semi <= r) {
            semi = r + 1;
            while (text[semi] && text[semi] != Ch(';')) ++semi;
            semiKnown = true;
        }
        if (text[semi] == 0) {
            // No ";" after this "&", so none after any later one: keep the rest.
            while (text[r]) text[w++] = text[r++];
            break;
        }
        const Ch* name = text + r + 1;
        const size_t length = semi - r - 1;
        if (const uint32_t code = numeric_code(name, length)) {
            w += put_code(text, w, code);
            r = semi + 1;
        } else if (const EntityRow* row = find_entity(name, length)) {
            text[w++] = static_cast<Ch>(row->code);
            r = semi + 1;
        } else {
            text[w++] = c;
            ++r;
        }
    }
    text[w] = 0;
}

}  // namespace

void DecodeEntities(wchar_t* text) { decode_entities(text); }
void DecodeEntities(char16_t* text) { decode_entities(text); }

uint32_t entity_code(std::string_view name)
{
    if (const uint32_t code = numeric_code(name.data(), name.size())) return code;
    const EntityRow* row = find_entity(name.data(), name.size());
    return row ? row->code : 0;
}
