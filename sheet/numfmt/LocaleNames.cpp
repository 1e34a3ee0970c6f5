// The names behind a locale tag. Full names come from Qt 6.4's QLocale (CLDR 41): the
// stand-alone (nominative) month names, as the application shows `mmmm` whether or not a day
// stands beside it. Abbreviations and markers follow what the application shows, which takes
// them from Windows' own locale data rather than CLDR's abbreviated forms; each language's note
// says where the two differ. sheet/numfmt/README.md lists the choices.

#include "sheet/numfmt/LocaleNames.h"

#include <string>

namespace lomandra::numfmt {

namespace {

constexpr LocaleNames kEnglish = {
    {"January", "February", "March", "April", "May", "June", "July", "August", "September", "October",
     "November", "December"},
    {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"},
    {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"},
    {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"},
    "AM", "PM"};

// German: Windows' abbreviations, without CLDR's periods and with "Mrz" for March.
constexpr LocaleNames kGerman = {
    {"Januar", "Februar", "März", "April", "Mai", "Juni", "Juli", "August", "September", "Oktober", "November",
     "Dezember"},
    {"Jan", "Feb", "Mrz", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"},
    {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"},
    {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"},
    "AM", "PM"};

// German of Switzerland: "Mär" for March.
constexpr LocaleNames kGermanSwitzerland = {
    {"Januar", "Februar", "März", "April", "Mai", "Juni", "Juli", "August", "September", "Oktober", "November",
     "Dezember"},
    {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"},
    {"Sonntag", "Montag", "Dienstag", "Mittwoch", "Donnerstag", "Freitag", "Samstag"},
    {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"},
    "AM", "PM"};

// French: the abbreviations keep their periods, as in CLDR.
constexpr LocaleNames kFrench = {
    {"janvier", "février", "mars", "avril", "mai", "juin", "juillet", "août", "septembre", "octobre", "novembre",
     "décembre"},
    {"janv.", "févr.", "mars", "avr.", "mai", "juin", "juil.", "août", "sept.", "oct.", "nov.", "déc."},
    {"dimanche", "lundi", "mardi", "mercredi", "jeudi", "vendredi", "samedi"},
    {"dim.", "lun.", "mar.", "mer.", "jeu.", "ven.", "sam."},
    "AM", "PM"};

constexpr LocaleNames kItalian = {
    {"gennaio", "febbraio", "marzo", "aprile", "maggio", "giugno", "luglio", "agosto", "settembre", "ottobre",
     "novembre", "dicembre"},
    {"gen", "feb", "mar", "apr", "mag", "giu", "lug", "ago", "set", "ott", "nov", "dic"},
    {"domenica", "lunedì", "martedì", "mercoledì", "giovedì", "venerdì", "sabato"},
    {"dom", "lun", "mar", "mer", "gio", "ven", "sab"},
    "AM", "PM"};

// Spanish: Windows' abbreviations ("sep", two-letter days) with their periods.
constexpr LocaleNames kSpanish = {
    {"enero", "febrero", "marzo", "abril", "mayo", "junio", "julio", "agosto", "septiembre", "octubre", "noviembre",
     "diciembre"},
    {"ene.", "feb.", "mar.", "abr.", "may.", "jun.", "jul.", "ago.", "sep.", "oct.", "nov.", "dic."},
    {"domingo", "lunes", "martes", "miércoles", "jueves", "viernes", "sábado"},
    {"do.", "lu.", "ma.", "mi.", "ju.", "vi.", "sá."},
    "AM", "PM"};

// Spanish of Mexico: three-letter days and the a. m. / p. m. markers.
constexpr LocaleNames kSpanishMexico = {
    {"enero", "febrero", "marzo", "abril", "mayo", "junio", "julio", "agosto", "septiembre", "octubre", "noviembre",
     "diciembre"},
    {"ene.", "feb.", "mar.", "abr.", "may.", "jun.", "jul.", "ago.", "sep.", "oct.", "nov.", "dic."},
    {"domingo", "lunes", "martes", "miércoles", "jueves", "viernes", "sábado"},
    {"dom.", "lun.", "mar.", "mié.", "jue.", "vie.", "sáb."},
    "a. m.", "p. m."};

// Portuguese (Brazil and Portugal alike): Windows' abbreviations carry no period.
constexpr LocaleNames kPortuguese = {
    {"janeiro", "fevereiro", "março", "abril", "maio", "junho", "julho", "agosto", "setembro", "outubro", "novembro",
     "dezembro"},
    {"jan", "fev", "mar", "abr", "mai", "jun", "jul", "ago", "set", "out", "nov", "dez"},
    {"domingo", "segunda-feira", "terça-feira", "quarta-feira", "quinta-feira", "sexta-feira", "sábado"},
    {"dom", "seg", "ter", "qua", "qui", "sex", "sáb"},
    "AM", "PM"};

// Dutch: no periods.
constexpr LocaleNames kDutch = {
    {"januari", "februari", "maart", "april", "mei", "juni", "juli", "augustus", "september", "oktober", "november",
     "december"},
    {"jan", "feb", "mrt", "apr", "mei", "jun", "jul", "aug", "sep", "okt", "nov", "dec"},
    {"zondag", "maandag", "dinsdag", "woensdag", "donderdag", "vrijdag", "zaterdag"},
    {"zo", "ma", "di", "wo", "do", "vr", "za"},
    "AM", "PM"};

// Swedish: three letters throughout ("mar", "tor"), no periods.
constexpr LocaleNames kSwedish = {
    {"januari", "februari", "mars", "april", "maj", "juni", "juli", "augusti", "september", "oktober", "november",
     "december"},
    {"jan", "feb", "mar", "apr", "maj", "jun", "jul", "aug", "sep", "okt", "nov", "dec"},
    {"söndag", "måndag", "tisdag", "onsdag", "torsdag", "fredag", "lördag"},
    {"sön", "mån", "tis", "ons", "tor", "fre", "lör"},
    "fm", "em"};

// Danish: no periods; two-letter days.
constexpr LocaleNames kDanish = {
    {"januar", "februar", "marts", "april", "maj", "juni", "juli", "august", "september", "oktober", "november",
     "december"},
    {"jan", "feb", "mar", "apr", "maj", "jun", "jul", "aug", "sep", "okt", "nov", "dec"},
    {"søndag", "mandag", "tirsdag", "onsdag", "torsdag", "fredag", "lørdag"},
    {"sø", "ma", "ti", "on", "to", "fr", "lø"},
    "AM", "PM"};

// Norwegian (Bokmål and Nynorsk): CLDR's stand-alone abbreviations, no periods.
constexpr LocaleNames kNorwegian = {
    {"januar", "februar", "mars", "april", "mai", "juni", "juli", "august", "september", "oktober", "november",
     "desember"},
    {"jan", "feb", "mar", "apr", "mai", "jun", "jul", "aug", "sep", "okt", "nov", "des"},
    {"søndag", "mandag", "tirsdag", "onsdag", "torsdag", "fredag", "lørdag"},
    {"søn", "man", "tir", "ons", "tor", "fre", "lør"},
    "a.m.", "p.m."};

// Finnish: nominative names (CLDR's formatting forms are partitive/essive: "tammikuuta").
constexpr LocaleNames kFinnish = {
    {"tammikuu", "helmikuu", "maaliskuu", "huhtikuu", "toukokuu", "kesäkuu", "heinäkuu", "elokuu", "syyskuu",
     "lokakuu", "marraskuu", "joulukuu"},
    {"tammi", "helmi", "maalis", "huhti", "touko", "kesä", "heinä", "elo", "syys", "loka", "marras", "joulu"},
    {"sunnuntai", "maanantai", "tiistai", "keskiviikko", "torstai", "perjantai", "lauantai"},
    {"su", "ma", "ti", "ke", "to", "pe", "la"},
    "ap.", "ip."};

// Polish: nominative months ("styczeń", not the genitive "stycznia").
constexpr LocaleNames kPolish = {
    {"styczeń", "luty", "marzec", "kwiecień", "maj", "czerwiec", "lipiec", "sierpień", "wrzesień", "październik",
     "listopad", "grudzień"},
    {"sty", "lut", "mar", "kwi", "maj", "cze", "lip", "sie", "wrz", "paź", "lis", "gru"},
    {"niedziela", "poniedziałek", "wtorek", "środa", "czwartek", "piątek", "sobota"},
    {"niedz.", "pon.", "wt.", "śr.", "czw.", "pt.", "sob."},
    "AM", "PM"};

// Czech: nominative months; Windows abbreviates months with Roman numerals.
constexpr LocaleNames kCzech = {
    {"leden", "únor", "březen", "duben", "květen", "červen", "červenec", "srpen", "září", "říjen", "listopad",
     "prosinec"},
    {"I", "II", "III", "IV", "V", "VI", "VII", "VIII", "IX", "X", "XI", "XII"},
    {"neděle", "pondělí", "úterý", "středa", "čtvrtek", "pátek", "sobota"},
    {"ne", "po", "út", "st", "čt", "pá", "so"},
    "dop.", "odp."};

constexpr LocaleNames kHungarian = {
    {"január", "február", "március", "április", "május", "június", "július", "augusztus", "szeptember", "október",
     "november", "december"},
    {"jan.", "febr.", "márc.", "ápr.", "máj.", "jún.", "júl.", "aug.", "szept.", "okt.", "nov.", "dec."},
    {"vasárnap", "hétfő", "kedd", "szerda", "csütörtök", "péntek", "szombat"},
    {"V", "H", "K", "Sze", "Cs", "P", "Szo"},
    "de.", "du."};

// Russian: Windows' capitalised nominative months, three-letter abbreviations without periods,
// capitalised two-letter days.
constexpr LocaleNames kRussian = {
    {"Январь", "Февраль", "Март", "Апрель", "Май", "Июнь", "Июль", "Август", "Сентябрь", "Октябрь", "Ноябрь",
     "Декабрь"},
    {"янв", "фев", "мар", "апр", "май", "июн", "июл", "авг", "сен", "окт", "ноя", "дек"},
    {"воскресенье", "понедельник", "вторник", "среда", "четверг", "пятница", "суббота"},
    {"Вс", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"},
    "AM", "PM"};

// Russian with the genitive tag [$-FC19]: lower-case genitive months ("1 января").
constexpr LocaleNames kRussianGenitive = {
    {"января", "февраля", "марта", "апреля", "мая", "июня", "июля", "августа", "сентября", "октября", "ноября",
     "декабря"},
    {"янв", "фев", "мар", "апр", "май", "июн", "июл", "авг", "сен", "окт", "ноя", "дек"},
    {"воскресенье", "понедельник", "вторник", "среда", "четверг", "пятница", "суббота"},
    {"Вс", "Пн", "Вт", "Ср", "Чт", "Пт", "Сб"},
    "AM", "PM"};

constexpr LocaleNames kTurkish = {
    {"Ocak", "Şubat", "Mart", "Nisan", "Mayıs", "Haziran", "Temmuz", "Ağustos", "Eylül", "Ekim", "Kasım", "Aralık"},
    {"Oca", "Şub", "Mar", "Nis", "May", "Haz", "Tem", "Ağu", "Eyl", "Eki", "Kas", "Ara"},
    {"Pazar", "Pazartesi", "Salı", "Çarşamba", "Perşembe", "Cuma", "Cumartesi"},
    {"Paz", "Pzt", "Sal", "Çar", "Per", "Cum", "Cmt"},
    "ÖÖ", "ÖS"};

// Greek: the genitive month names dates are written with; Windows' unaccented abbreviations.
constexpr LocaleNames kGreek = {
    {"Ιανουαρίου", "Φεβρουαρίου", "Μαρτίου", "Απριλίου", "Μαΐου", "Ιουνίου", "Ιουλίου", "Αυγούστου",
     "Σεπτεμβρίου", "Οκτωβρίου", "Νοεμβρίου", "Δεκεμβρίου"},
    {"Ιαν", "Φεβ", "Μαρ", "Απρ", "Μαϊ", "Ιουν", "Ιουλ", "Αυγ", "Σεπ", "Οκτ", "Νοε", "Δεκ"},
    {"Κυριακή", "Δευτέρα", "Τρίτη", "Τετάρτη", "Πέμπτη", "Παρασκευή", "Σάββατο"},
    {"Κυρ", "Δευ", "Τρι", "Τετ", "Πεμ", "Παρ", "Σαβ"},
    "πμ", "μμ"};

// Japanese: Windows abbreviates months to their number.
constexpr LocaleNames kJapanese = {
    {"1月", "2月", "3月", "4月", "5月", "6月", "7月", "8月", "9月", "10月", "11月", "12月"},
    {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"},
    {"日曜日", "月曜日", "火曜日", "水曜日", "木曜日", "金曜日", "土曜日"},
    {"日", "月", "火", "水", "木", "金", "土"},
    "午前", "午後"};

constexpr LocaleNames kChineseSimplified = {
    {"一月", "二月", "三月", "四月", "五月", "六月", "七月", "八月", "九月", "十月", "十一月", "十二月"},
    {"1月", "2月", "3月", "4月", "5月", "6月", "7月", "8月", "9月", "10月", "11月", "12月"},
    {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"},
    {"周日", "周一", "周二", "周三", "周四", "周五", "周六"},
    "上午", "下午"};

// Traditional Chinese: Windows writes the month in Chinese numerals in both forms.
constexpr LocaleNames kChineseTraditional = {
    {"一月", "二月", "三月", "四月", "五月", "六月", "七月", "八月", "九月", "十月", "十一月", "十二月"},
    {"一月", "二月", "三月", "四月", "五月", "六月", "七月", "八月", "九月", "十月", "十一月", "十二月"},
    {"星期日", "星期一", "星期二", "星期三", "星期四", "星期五", "星期六"},
    {"週日", "週一", "週二", "週三", "週四", "週五", "週六"},
    "上午", "下午"};

// Korean: Windows abbreviates months to their number.
constexpr LocaleNames kKorean = {
    {"1월", "2월", "3월", "4월", "5월", "6월", "7월", "8월", "9월", "10월", "11월", "12월"},
    {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "11", "12"},
    {"일요일", "월요일", "화요일", "수요일", "목요일", "금요일", "토요일"},
    {"일", "월", "화", "수", "목", "금", "토"},
    "오전", "오후"};

}  // namespace

const LocaleNames& englishNames() { return kEnglish; }

const LocaleNames& localeNames(std::uint32_t lcid) {
  lcid &= 0xFFFF;
  if (lcid == 0xFC19) return kRussianGenitive;
  switch (lcid) {
    case 0x0404: case 0x0C04: case 0x1404: case 0x7C04: return kChineseTraditional;  // TW, HK, MO
    case 0x0804: case 0x1004: case 0x0004: return kChineseSimplified;                // CN, SG
    case 0x0807: return kGermanSwitzerland;
    case 0x080A: return kSpanishMexico;
    default: break;
  }
  switch (lcid & 0x3FF) {  // the primary language, whatever the country
    case 0x07: return kGerman;
    case 0x0C: return kFrench;
    case 0x10: return kItalian;
    case 0x0A: return kSpanish;
    case 0x16: return kPortuguese;
    case 0x13: return kDutch;
    case 0x1D: return kSwedish;
    case 0x06: return kDanish;
    case 0x14: return kNorwegian;
    case 0x0B: return kFinnish;
    case 0x15: return kPolish;
    case 0x05: return kCzech;
    case 0x0E: return kHungarian;
    case 0x19: return kRussian;
    case 0x1F: return kTurkish;
    case 0x08: return kGreek;
    case 0x11: return kJapanese;
    case 0x04: return kChineseSimplified;
    case 0x12: return kKorean;
    default: return kEnglish;
  }
}

const LocaleNames* namesOfLanguageTag(std::string_view tag) {
  std::string upper(tag);
  for (char& c : upper) {
    if (c == '_') c = '-';
    else if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  struct Language {
    std::string_view prefix;
    std::uint32_t lcid;
  };
  static constexpr Language kLanguages[] = {
      {"RU-RU-X-GENLOWER", 0xFC19}, {"ZH-TW", 0x404}, {"ZH-HK", 0xC04}, {"ZH-MO", 0x1404}, {"ZH-HANT", 0x404},
      {"ZH", 0x804}, {"DE", 0x407}, {"FR", 0x40C}, {"IT", 0x410},
      {"ES", 0xC0A}, {"PT", 0x416}, {"NL", 0x413}, {"SV", 0x41D}, {"DA", 0x406}, {"NB", 0x414}, {"NN", 0x814},
      {"NO", 0x414}, {"FI", 0x40B}, {"PL", 0x415}, {"CS", 0x405}, {"HU", 0x40E}, {"RU", 0x419}, {"TR", 0x41F},
      {"EL", 0x408}, {"JA", 0x411}, {"KO", 0x412}, {"EN", 0x409}};
  for (const Language& l : kLanguages) {
    if (upper.starts_with(l.prefix) && (upper.size() == l.prefix.size() || upper[l.prefix.size()] == '-'))
      return &localeNames(l.lcid);
  }
  return nullptr;
}

}  // namespace lomandra::numfmt
