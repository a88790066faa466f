#include "menus/key_char_map.h"

#include <cstdint>

namespace {

struct NameKey {
    int32_t key; // SDL key symbol
    char16_t lower;
    char16_t upper;
};

constexpr NameKey kNameKeys[] = {
    {32, u' ', u' '},           // space
    {39, u'\u044D', u'\u042D'}, // apostrophe: э Э
    {44, u'\u0431', u'\u0411'}, // comma: б Б
    {46, u'\u044E', u'\u042E'}, // full stop: ю Ю
    {48, u'0', u')'},
    {49, u'1', u'!'},
    {50, u'2', u'@'},
    {51, u'3', u'#'},
    {52, u'4', u'$'},
    {53, u'5', u'%'},
    {54, u'6', u'^'},
    {55, u'7', u'&'},
    {56, u'8', u'*'},
    {57, u'9', u'('},
    {59, u'\u0436', u'\u0416'},  // semicolon: ж Ж
    {91, u'\u0445', u'\u0425'},  // left bracket: х Х
    {93, u'\u044A', u'\u042A'},  // right bracket: ъ Ъ
    {97, u'\u0444', u'\u0424'},  // a: ф Ф
    {98, u'\u0438', u'\u0418'},  // b: и И
    {99, u'\u0441', u'\u0421'},  // c: с С
    {100, u'\u0432', u'\u0412'}, // d: в В
    {101, u'\u0443', u'\u0423'}, // e: у У
    {102, u'\u0430', u'\u0410'}, // f: а А
    {103, u'\u043F', u'\u041F'}, // g: п П
    {104, u'\u0440', u'\u0420'}, // h: р Р
    {105, u'\u0448', u'\u0428'}, // i: ш Ш
    {106, u'\u043E', u'\u041E'}, // j: о О
    {107, u'\u043B', u'\u041B'}, // k: л Л
    {108, u'\u0434', u'\u0414'}, // l: д Д
    {109, u'\u044C', u'\u042C'}, // m: ь Ь
    {110, u'\u0442', u'\u0422'}, // n: т Т
    {111, u'\u0449', u'\u0429'}, // o: щ Щ
    {112, u'\u0437', u'\u0417'}, // p: з З
    {113, u'\u0439', u'\u0419'}, // q: й Й
    {114, u'\u043A', u'\u041A'}, // r: к К
    {115, u'\u044B', u'\u042B'}, // s: ы Ы
    {116, u'\u0435', u'\u0415'}, // t: е Е
    {117, u'\u0433', u'\u0413'}, // u: г Г
    {118, u'\u043C', u'\u041C'}, // v: м М
    {119, u'\u0446', u'\u0426'}, // w: ц Ц
    {120, u'\u0447', u'\u0427'}, // x: ч Ч
    {121, u'\u043D', u'\u041D'}, // y: н Н
    {122, u'\u044F', u'\u042F'}, // z: я Я
};

constexpr KeyCharMap BuildMap(bool upper) {
    KeyCharMap map{};
    for (const NameKey& row : kNameKeys)
        map.units[row.key] = upper ? row.upper : row.lower;
    return map;
}

} // namespace

const KeyCharMap kNameKeysLower = BuildMap(false);
const KeyCharMap kNameKeysUpper = BuildMap(true);
