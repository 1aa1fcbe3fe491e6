#!/usr/bin/python3
"""Writes platform/nls/LocaleData.cpp: the locale data the program answers the locale-information
calls from, one row per Windows language id.

Two sources, each for what it holds:

- The Windows facts, in the lists below: every language id (LCID) that current Windows gives
  locale data for, specific (0x0452 Welsh (United Kingdom)) and neutral (0x0052 Welsh,
  0x7C1A Serbian), with its language tag, its three-letter abbreviation (LOCALE_SABBREVLANGNAME)
  and its default ANSI code page (LOCALE_IDEFAULTANSICODEPAGE, 0 where Windows has none). They
  are written from Windows' published national-language tables. A neutral id takes the
  abbreviation and code page of the locale it stands for (its default locale).
- The English and native names, from ICU's locale data (Debian python3-icu): the English name of
  the language ("Welsh"), the English name with the script and country ("Welsh (United
  Kingdom)"), and the language's name in itself ("Cymraeg").

The names the program has always given for the ids it knew (LEGACY_NAMES: "Farsi", "Azeri
(Latin)", "Bulgarian" without the country, ...) are kept as they were, and a few ids whose names
ICU lacks or gives otherwise than Windows take theirs from NAME_FIXES.

Checks before writing: the ids are unique; each language has its neutral id; each neutral's
default locale exists and belongs to it; abbreviations are three capital letters; code pages are
0 or one the program converts; every id of Python's own table of Windows locales
(locale.windows_locale) is here; every name is non-empty.

Needs Debian's python3-icu (apt-get install python3-icu), nothing from the network; the build
does not run it. Run from the repository root:

    /usr/bin/python3 scripts/gen_localedata.py > platform/nls/LocaleData.cpp
"""
import locale
import sys

import icu

# Every specific locale: (LCID, language tag, LOCALE_SABBREVLANGNAME, default ANSI code page).
# Tags are Windows' own (the "sr-Latn-CS" and "es-ES_tradnl" of older ids included).
LOCALES = [
    # Arabic
    (0x0401, "ar-SA", "ARA", 1256), (0x0801, "ar-IQ", "ARI", 1256), (0x0C01, "ar-EG", "ARE", 1256),
    (0x1001, "ar-LY", "ARL", 1256), (0x1401, "ar-DZ", "ARG", 1256), (0x1801, "ar-MA", "ARM", 1256),
    (0x1C01, "ar-TN", "ART", 1256), (0x2001, "ar-OM", "ARO", 1256), (0x2401, "ar-YE", "ARY", 1256),
    (0x2801, "ar-SY", "ARS", 1256), (0x2C01, "ar-JO", "ARJ", 1256), (0x3001, "ar-LB", "ARB", 1256),
    (0x3401, "ar-KW", "ARK", 1256), (0x3801, "ar-AE", "ARU", 1256), (0x3C01, "ar-BH", "ARH", 1256),
    (0x4001, "ar-QA", "ARQ", 1256),
    (0x0402, "bg-BG", "BGR", 1251),
    (0x0403, "ca-ES", "CAT", 1252), (0x0803, "ca-ES-valencia", "VAL", 1252),
    # Chinese
    (0x0404, "zh-TW", "CHT", 950), (0x0804, "zh-CN", "CHS", 936), (0x0C04, "zh-HK", "ZHH", 950),
    (0x1004, "zh-SG", "ZHI", 936), (0x1404, "zh-MO", "ZHM", 950),
    (0x0405, "cs-CZ", "CSY", 1250),
    (0x0406, "da-DK", "DAN", 1252),
    (0x0407, "de-DE", "DEU", 1252), (0x0807, "de-CH", "DES", 1252), (0x0C07, "de-AT", "DEA", 1252),
    (0x1007, "de-LU", "DEL", 1252), (0x1407, "de-LI", "DEC", 1252),
    (0x0408, "el-GR", "ELL", 1253),
    # English
    (0x0409, "en-US", "ENU", 1252), (0x0809, "en-GB", "ENG", 1252), (0x0C09, "en-AU", "ENA", 1252),
    (0x1009, "en-CA", "ENC", 1252), (0x1409, "en-NZ", "ENZ", 1252), (0x1809, "en-IE", "ENI", 1252),
    (0x1C09, "en-ZA", "ENS", 1252), (0x2009, "en-JM", "ENJ", 1252), (0x2409, "en-029", "ENB", 1252),
    (0x2809, "en-BZ", "ENL", 1252), (0x2C09, "en-TT", "ENT", 1252), (0x3009, "en-ZW", "ENW", 1252),
    (0x3409, "en-PH", "ENP", 1252), (0x3C09, "en-HK", "ENH", 1252), (0x4009, "en-IN", "ENN", 1252),
    (0x4409, "en-MY", "ENM", 1252), (0x4809, "en-SG", "ENE", 1252),
    # Spanish
    (0x040A, "es-ES_tradnl", "ESP", 1252), (0x080A, "es-MX", "ESM", 1252), (0x0C0A, "es-ES", "ESN", 1252),
    (0x100A, "es-GT", "ESG", 1252), (0x140A, "es-CR", "ESC", 1252), (0x180A, "es-PA", "ESA", 1252),
    (0x1C0A, "es-DO", "ESD", 1252), (0x200A, "es-VE", "ESV", 1252), (0x240A, "es-CO", "ESO", 1252),
    (0x280A, "es-PE", "ESR", 1252), (0x2C0A, "es-AR", "ESS", 1252), (0x300A, "es-EC", "ESF", 1252),
    (0x340A, "es-CL", "ESL", 1252), (0x380A, "es-UY", "ESY", 1252), (0x3C0A, "es-PY", "ESZ", 1252),
    (0x400A, "es-BO", "ESB", 1252), (0x440A, "es-SV", "ESE", 1252), (0x480A, "es-HN", "ESH", 1252),
    (0x4C0A, "es-NI", "ESI", 1252), (0x500A, "es-PR", "ESU", 1252), (0x540A, "es-US", "EST", 1252),
    (0x580A, "es-419", "ESJ", 1252), (0x5C0A, "es-CU", "ESK", 1252),
    (0x040B, "fi-FI", "FIN", 1252),
    # French
    (0x040C, "fr-FR", "FRA", 1252), (0x080C, "fr-BE", "FRB", 1252), (0x0C0C, "fr-CA", "FRC", 1252),
    (0x100C, "fr-CH", "FRS", 1252), (0x140C, "fr-LU", "FRL", 1252), (0x180C, "fr-MC", "FRM", 1252),
    (0x1C0C, "fr-029", "FRE", 1252), (0x200C, "fr-RE", "FRR", 1252), (0x240C, "fr-CD", "FRD", 1252),
    (0x280C, "fr-SN", "FRN", 1252), (0x2C0C, "fr-CM", "FRE", 1252), (0x300C, "fr-CI", "FRI", 1252),
    (0x340C, "fr-ML", "FRF", 1252), (0x380C, "fr-MA", "FRO", 1252), (0x3C0C, "fr-HT", "FRH", 1252),
    (0x040D, "he-IL", "HEB", 1255),
    (0x040E, "hu-HU", "HUN", 1250),
    (0x040F, "is-IS", "ISL", 1252),
    (0x0410, "it-IT", "ITA", 1252), (0x0810, "it-CH", "ITS", 1252),
    (0x0411, "ja-JP", "JPN", 932),
    (0x0412, "ko-KR", "KOR", 949),
    (0x0413, "nl-NL", "NLD", 1252), (0x0813, "nl-BE", "NLB", 1252),
    (0x0414, "nb-NO", "NOR", 1252), (0x0814, "nn-NO", "NON", 1252),
    (0x0415, "pl-PL", "PLK", 1250),
    (0x0416, "pt-BR", "PTB", 1252), (0x0816, "pt-PT", "PTG", 1252),
    (0x0417, "rm-CH", "RMC", 1252),
    (0x0418, "ro-RO", "ROM", 1250), (0x0818, "ro-MD", "ROD", 1250),
    (0x0419, "ru-RU", "RUS", 1251), (0x0819, "ru-MD", "RUM", 1251),
    # Croatian, Serbian and Bosnian share the primary language 0x1A.
    (0x041A, "hr-HR", "HRV", 1250), (0x101A, "hr-BA", "HRB", 1250),
    (0x081A, "sr-Latn-CS", "SRL", 1250), (0x0C1A, "sr-Cyrl-CS", "SRB", 1251),
    (0x181A, "sr-Latn-BA", "SRS", 1250), (0x1C1A, "sr-Cyrl-BA", "SRN", 1251),
    (0x241A, "sr-Latn-RS", "SRM", 1250), (0x281A, "sr-Cyrl-RS", "SRO", 1251),
    (0x2C1A, "sr-Latn-ME", "SRP", 1250), (0x301A, "sr-Cyrl-ME", "SRQ", 1251),
    (0x141A, "bs-Latn-BA", "BSB", 1250), (0x201A, "bs-Cyrl-BA", "BSC", 1251),
    (0x041B, "sk-SK", "SKY", 1250),
    (0x041C, "sq-AL", "SQI", 1250),
    (0x041D, "sv-SE", "SVE", 1252), (0x081D, "sv-FI", "SVF", 1252),
    (0x041E, "th-TH", "THA", 874),
    (0x041F, "tr-TR", "TRK", 1254),
    (0x0420, "ur-PK", "URD", 1256), (0x0820, "ur-IN", "URI", 1256),
    (0x0421, "id-ID", "IND", 1252),
    (0x0422, "uk-UA", "UKR", 1251),
    (0x0423, "be-BY", "BEL", 1251),
    (0x0424, "sl-SI", "SLV", 1250),
    (0x0425, "et-EE", "ETI", 1257),
    (0x0426, "lv-LV", "LVI", 1257),
    (0x0427, "lt-LT", "LTH", 1257),
    (0x0428, "tg-Cyrl-TJ", "TAJ", 1251),
    (0x0429, "fa-IR", "FAR", 1256),
    (0x042A, "vi-VN", "VIT", 1258),
    (0x042B, "hy-AM", "HYE", 0),
    (0x042C, "az-Latn-AZ", "AZE", 1254), (0x082C, "az-Cyrl-AZ", "AZC", 1251),
    (0x042D, "eu-ES", "EUQ", 1252),
    (0x042E, "hsb-DE", "HSB", 1252), (0x082E, "dsb-DE", "DSB", 1252),
    (0x042F, "mk-MK", "MKI", 1251),
    (0x0430, "st-ZA", "SOT", 1252),
    (0x0431, "ts-ZA", "TSO", 1252),
    (0x0432, "tn-ZA", "TSN", 1252), (0x0832, "tn-BW", "TSB", 1252),
    (0x0433, "ve-ZA", "VEN", 1252),
    (0x0434, "xh-ZA", "XHO", 1252),
    (0x0435, "zu-ZA", "ZUL", 1252),
    (0x0436, "af-ZA", "AFK", 1252),
    (0x0437, "ka-GE", "KAT", 0),
    (0x0438, "fo-FO", "FOS", 1252),
    (0x0439, "hi-IN", "HIN", 0),
    (0x043A, "mt-MT", "MLT", 0),
    (0x043B, "se-NO", "SME", 1252), (0x083B, "se-SE", "SMF", 1252), (0x0C3B, "se-FI", "SMG", 1252),
    (0x103B, "smj-NO", "SMJ", 1252), (0x143B, "smj-SE", "SMK", 1252),
    (0x183B, "sma-NO", "SMA", 1252), (0x1C3B, "sma-SE", "SMB", 1252),
    (0x203B, "sms-FI", "SMS", 1252), (0x243B, "smn-FI", "SMN", 1252),
    (0x083C, "ga-IE", "IRE", 1252),
    (0x043E, "ms-MY", "MSL", 1252), (0x083E, "ms-BN", "MSB", 1252),
    (0x043F, "kk-KZ", "KKZ", 1251),
    (0x0440, "ky-KG", "KYR", 1251),
    (0x0441, "sw-KE", "SWK", 1252),
    (0x0442, "tk-TM", "TUK", 1250),
    (0x0443, "uz-Latn-UZ", "UZB", 1254), (0x0843, "uz-Cyrl-UZ", "UZC", 1251),
    (0x0444, "tt-RU", "TTT", 1251),
    (0x0445, "bn-IN", "BNG", 0), (0x0845, "bn-BD", "BNB", 0),
    (0x0446, "pa-IN", "PAN", 0), (0x0846, "pa-Arab-PK", "PAP", 1256),
    (0x0447, "gu-IN", "GUJ", 0),
    (0x0448, "or-IN", "ORI", 0),
    (0x0449, "ta-IN", "TAI", 0), (0x0849, "ta-LK", "TAM", 0),
    (0x044A, "te-IN", "TEL", 0),
    (0x044B, "kn-IN", "KDI", 0),
    (0x044C, "ml-IN", "MYM", 0),
    (0x044D, "as-IN", "ASM", 0),
    (0x044E, "mr-IN", "MAR", 0),
    (0x044F, "sa-IN", "SAN", 0),
    (0x0450, "mn-MN", "MNN", 1251), (0x0850, "mn-Mong-CN", "MNG", 0), (0x0C50, "mn-Mong-MN", "MNM", 0),
    (0x0451, "bo-CN", "BOB", 0),
    (0x0452, "cy-GB", "CYM", 1252),
    (0x0453, "km-KH", "KHM", 0),
    (0x0454, "lo-LA", "LAO", 0),
    (0x0455, "my-MM", "MYA", 0),
    (0x0456, "gl-ES", "GLC", 1252),
    (0x0457, "kok-IN", "KNK", 0),
    (0x0859, "sd-Arab-PK", "SIP", 1256),
    (0x045A, "syr-SY", "SYR", 0),
    (0x045B, "si-LK", "SIN", 0),
    (0x045C, "chr-Cher-US", "CRE", 0),
    (0x045D, "iu-Cans-CA", "IUS", 0), (0x085D, "iu-Latn-CA", "IUK", 1252),
    (0x045E, "am-ET", "AMH", 0),
    (0x085F, "tzm-Latn-DZ", "TZM", 1252), (0x105F, "tzm-Tfng-MA", "TZT", 0),
    (0x0461, "ne-NP", "NEP", 0), (0x0861, "ne-IN", "NEI", 0),
    (0x0462, "fy-NL", "FYN", 1252),
    (0x0463, "ps-AF", "PAS", 0),
    (0x0464, "fil-PH", "FPO", 1252),
    (0x0465, "dv-MV", "DIV", 0),
    (0x0867, "ff-Latn-SN", "FUL", 1252),
    (0x0468, "ha-Latn-NG", "HAU", 1252),
    (0x046A, "yo-NG", "YOR", 1252),
    (0x046B, "quz-BO", "QUB", 1252), (0x086B, "quz-EC", "QUE", 1252), (0x0C6B, "quz-PE", "QUP", 1252),
    (0x046C, "nso-ZA", "NSO", 1252),
    (0x046D, "ba-RU", "BAS", 1251),
    (0x046E, "lb-LU", "LBX", 1252),
    (0x046F, "kl-GL", "KAL", 1252),
    (0x0470, "ig-NG", "IBO", 1252),
    (0x0472, "om-ET", "ORM", 1252),
    (0x0473, "ti-ET", "TIE", 0), (0x0873, "ti-ER", "TIR", 0),
    (0x0474, "gn-PY", "GRN", 1252),
    (0x0475, "haw-US", "HAW", 1252),
    (0x0477, "so-SO", "SOM", 1252),
    (0x0478, "ii-CN", "III", 0),
    (0x047A, "arn-CL", "MPD", 1252),
    (0x047C, "moh-CA", "MWK", 1252),
    (0x047E, "br-FR", "BRE", 1252),
    (0x0480, "ug-CN", "UIG", 1256),
    (0x0481, "mi-NZ", "MRI", 0),
    (0x0482, "oc-FR", "OCI", 1252),
    (0x0483, "co-FR", "COS", 1252),
    (0x0484, "gsw-FR", "GSW", 1252),
    (0x0485, "sah-RU", "SAH", 1251),
    (0x0486, "qut-GT", "QUT", 1252),
    (0x0487, "rw-RW", "KIN", 1252),
    (0x0488, "wo-SN", "WOL", 1252),
    (0x048C, "prs-AF", "PRS", 1256),
    (0x0491, "gd-GB", "GLA", 1252),
    (0x0492, "ku-Arab-IQ", "KUR", 1256),
    (0x0C51, "dz-BT", "DZO", 0),
]

# Facts above still to confirm on a Windows machine (GetLocaleInfoEx): the abbreviations of the
# locales added in Windows 8 and 10 (st-ZA, ts-ZA, ve-ZA, tn-BW, my-MM, om-ET, ti-ET, ti-ER,
# gn-PY, haw-US, so-SO, dz-BT, ro-MD, ru-MD, es-CU, ca-ES-valencia and the French of Africa and
# the Caribbean, where fr-029 and fr-CM both read FRE here), and the code pages of mt-MT, mi-NZ
# and ps-AF (0) and of om-ET, so-SO, gn-PY and haw-US (1252).
# Left out: ids Windows reserves without locale data (0x0458 mni, 0x0459 sd-Deva, 0x045F tzm-Arab,
# 0x0460 ks, 0x0466 bin, 0x0469 ibb, 0x0471 kr, 0x0476 la, 0x0479 pap, 0x0851 bo-BT), and
# 0x043D yi-001 and 0x0467 ff-NG, which only some Windows 10 builds know.

# Every neutral id: (id, tag, the locale it stands for). The primary-only ids ("cy", 0x0052) and
# the ids Windows gives a script or a language sharing a primary language ("sr-Latn", 0x701A).
NEUTRALS = [
    (0x0001, "ar", 0x0401), (0x0002, "bg", 0x0402), (0x0003, "ca", 0x0403), (0x0004, "zh", 0x0804),
    (0x0005, "cs", 0x0405), (0x0006, "da", 0x0406), (0x0007, "de", 0x0407), (0x0008, "el", 0x0408),
    (0x0009, "en", 0x0409), (0x000A, "es", 0x0C0A), (0x000B, "fi", 0x040B), (0x000C, "fr", 0x040C),
    (0x000D, "he", 0x040D), (0x000E, "hu", 0x040E), (0x000F, "is", 0x040F), (0x0010, "it", 0x0410),
    (0x0011, "ja", 0x0411), (0x0012, "ko", 0x0412), (0x0013, "nl", 0x0413), (0x0014, "no", 0x0414),
    (0x0015, "pl", 0x0415), (0x0016, "pt", 0x0416), (0x0017, "rm", 0x0417), (0x0018, "ro", 0x0418),
    (0x0019, "ru", 0x0419), (0x001A, "hr", 0x041A), (0x001B, "sk", 0x041B), (0x001C, "sq", 0x041C),
    (0x001D, "sv", 0x041D), (0x001E, "th", 0x041E), (0x001F, "tr", 0x041F), (0x0020, "ur", 0x0420),
    (0x0021, "id", 0x0421), (0x0022, "uk", 0x0422), (0x0023, "be", 0x0423), (0x0024, "sl", 0x0424),
    (0x0025, "et", 0x0425), (0x0026, "lv", 0x0426), (0x0027, "lt", 0x0427), (0x0028, "tg", 0x0428),
    (0x0029, "fa", 0x0429), (0x002A, "vi", 0x042A), (0x002B, "hy", 0x042B), (0x002C, "az", 0x042C),
    (0x002D, "eu", 0x042D), (0x002E, "hsb", 0x042E), (0x002F, "mk", 0x042F), (0x0030, "st", 0x0430),
    (0x0031, "ts", 0x0431), (0x0032, "tn", 0x0432), (0x0033, "ve", 0x0433), (0x0034, "xh", 0x0434),
    (0x0035, "zu", 0x0435), (0x0036, "af", 0x0436), (0x0037, "ka", 0x0437), (0x0038, "fo", 0x0438),
    (0x0039, "hi", 0x0439), (0x003A, "mt", 0x043A), (0x003B, "se", 0x043B), (0x003C, "ga", 0x083C),
    (0x003E, "ms", 0x043E), (0x003F, "kk", 0x043F), (0x0040, "ky", 0x0440), (0x0041, "sw", 0x0441),
    (0x0042, "tk", 0x0442), (0x0043, "uz", 0x0443), (0x0044, "tt", 0x0444), (0x0045, "bn", 0x0445),
    (0x0046, "pa", 0x0446), (0x0047, "gu", 0x0447), (0x0048, "or", 0x0448), (0x0049, "ta", 0x0449),
    (0x004A, "te", 0x044A), (0x004B, "kn", 0x044B), (0x004C, "ml", 0x044C), (0x004D, "as", 0x044D),
    (0x004E, "mr", 0x044E), (0x004F, "sa", 0x044F), (0x0050, "mn", 0x0450), (0x0051, "bo", 0x0451),
    (0x0052, "cy", 0x0452), (0x0053, "km", 0x0453), (0x0054, "lo", 0x0454), (0x0055, "my", 0x0455),
    (0x0056, "gl", 0x0456), (0x0057, "kok", 0x0457), (0x0059, "sd", 0x0859), (0x005A, "syr", 0x045A),
    (0x005B, "si", 0x045B), (0x005C, "chr", 0x045C), (0x005D, "iu", 0x085D), (0x005E, "am", 0x045E),
    (0x005F, "tzm", 0x085F), (0x0061, "ne", 0x0461), (0x0062, "fy", 0x0462), (0x0063, "ps", 0x0463),
    (0x0064, "fil", 0x0464), (0x0065, "dv", 0x0465), (0x0067, "ff", 0x0867), (0x0068, "ha", 0x0468),
    (0x006A, "yo", 0x046A), (0x006B, "quz", 0x046B), (0x006C, "nso", 0x046C), (0x006D, "ba", 0x046D),
    (0x006E, "lb", 0x046E), (0x006F, "kl", 0x046F), (0x0070, "ig", 0x0470), (0x0072, "om", 0x0472),
    (0x0073, "ti", 0x0473), (0x0074, "gn", 0x0474), (0x0075, "haw", 0x0475), (0x0077, "so", 0x0477),
    (0x0078, "ii", 0x0478), (0x007A, "arn", 0x047A), (0x007C, "moh", 0x047C), (0x007E, "br", 0x047E),
    (0x0080, "ug", 0x0480), (0x0081, "mi", 0x0481), (0x0082, "oc", 0x0482), (0x0083, "co", 0x0483),
    (0x0084, "gsw", 0x0484), (0x0085, "sah", 0x0485), (0x0086, "qut", 0x0486), (0x0087, "rw", 0x0487),
    (0x0088, "wo", 0x0488), (0x008C, "prs", 0x048C), (0x0091, "gd", 0x0491), (0x0092, "ku", 0x0492),
    # Scripts and languages that share a primary language.
    (0x641A, "bs-Cyrl", 0x201A), (0x681A, "bs-Latn", 0x141A), (0x6C1A, "sr-Cyrl", 0x281A),
    (0x701A, "sr-Latn", 0x241A), (0x703B, "smn", 0x243B), (0x742C, "az-Cyrl", 0x082C),
    (0x743B, "sms", 0x203B), (0x7804, "zh", 0x0804), (0x7814, "nn", 0x0814), (0x781A, "bs", 0x141A),
    (0x782C, "az-Latn", 0x042C), (0x783B, "sma", 0x183B), (0x7843, "uz-Cyrl", 0x0843),
    (0x7850, "mn-Cyrl", 0x0450), (0x785D, "iu-Cans", 0x045D), (0x785F, "tzm-Tfng", 0x105F),
    (0x7C04, "zh-Hant", 0x0404), (0x7C14, "nb", 0x0414), (0x7C1A, "sr", 0x241A),
    (0x7C28, "tg-Cyrl", 0x0428), (0x7C2E, "dsb", 0x082E), (0x7C3B, "smj", 0x103B),
    (0x7C43, "uz-Latn", 0x0443), (0x7C46, "pa-Arab", 0x0846), (0x7C50, "mn-Mong", 0x0850),
    (0x7C59, "sd-Arab", 0x0859), (0x7C5C, "chr-Cher", 0x045C), (0x7C5D, "iu-Latn", 0x085D),
    (0x7C5F, "tzm-Latn", 0x085F), (0x7C67, "ff-Latn", 0x0867), (0x7C68, "ha-Latn", 0x0468),
    (0x7C86, "quc-Latn", 0x0486), (0x7C92, "ku-Arab", 0x0492),
]

# Ids of Python's table of Windows locales that current Windows no longer gives data for.
RETIRED = {0x0851}  # bo-BT

# Windows tags whose language ICU files under another code.
ICU_LANGUAGE = {"quz": "qu", "qut": "quc", "prs": "fa", "ku-Arab": "ckb", "ku": "ckb"}

# Names as the program has always given them, for the ids it has long known:
# id -> (Language, DisplayName, NativeName); None takes ICU's.
LEGACY_NAMES = {
    0x0008: (None, None, "ελληνικά"),
    0x0016: (None, None, "Português"),
    0x0017: (None, None, "Rumantsch"),
    0x001C: (None, None, "shqipe"),
    0x0020: (None, None, "اُردو"),
    0x0021: (None, None, "Bahasa Indonesia"),
    0x0023: (None, None, "Беларускі"),
    0x0024: (None, None, "slovenski"),
    0x0029: ("Farsi", "Farsi", "فارسى"),
    0x002B: (None, None, "Հայերեն"),
    0x002C: ("Azeri", "Azeri", "Azərbaycan­ılı"),
    0x002F: (None, None, "македонски јазик"),
    0x0038: ("Faeroese", "Faeroese", None),
    0x0039: (None, None, "हिंदी"),
    0x003E: (None, None, "Bahasa Malaysia"),
    0x003F: (None, None, "Қазақ"),
    0x0040: (None, None, "Кыргыз"),
    0x0043: (None, None, "U'zbek"),
    0x0044: (None, None, "Татар"),
    0x004F: (None, None, "संस्कृत"),
    0x0050: (None, None, "Монгол хэл"),
    0x005A: (None, None, "ܣܘܪܝܝܐ"),
    0x0065: (None, None, "ދިވެހިބަސް"),
    0x0402: (None, "Bulgarian", None),
    0x0403: (None, "Catalan", None),
    0x0405: (None, "Czech", None),
    0x0406: (None, "Danish", None),
    0x0408: (None, "Greek", "ελληνικά"),
    0x040A: (None, "Spanish (Traditional Sort)", None),
    0x040B: (None, "Finnish", None),
    0x040D: (None, "Hebrew", None),
    0x040E: (None, "Hungarian", None),
    0x040F: (None, "Icelandic", None),
    0x0411: (None, "Japanese", None),
    0x0412: (None, "Korean", None),
    0x0414: ("Norwegian", "Norwegian (Bokmal)", "norsk (bokmål)"),
    0x0415: (None, "Polish", None),
    0x0416: (None, None, "Português"),
    0x0417: (None, None, "Rumantsch"),
    0x0418: (None, "Romanian", None),
    0x0419: (None, "Russian", None),
    0x041A: (None, "Croatian", None),
    0x041B: (None, "Slovak", None),
    0x041C: (None, "Albanian", "shqipe"),
    0x041D: (None, "Swedish", None),
    0x041E: (None, "Thai", None),
    0x041F: (None, "Turkish", None),
    0x0420: (None, "Urdu", "اُردو"),
    0x0421: (None, "Indonesian", "Bahasa Indonesia"),
    0x0422: (None, "Ukrainian", None),
    0x0423: (None, "Belarusian", "Беларускі"),
    0x0424: (None, "Slovenian", "slovenski"),
    0x0425: (None, "Estonian", None),
    0x0426: (None, "Latvian", None),
    0x0427: (None, "Lithuanian", None),
    0x0429: ("Farsi", "Farsi", "فارسى"),
    0x042A: (None, "Vietnamese", None),
    0x042B: (None, "Armenian", "Հայերեն"),
    0x042C: ("Azeri", "Azeri (Latin)", "Azərbaycan­ılı"),
    0x042D: (None, "Basque", None),
    0x042F: (None, "Macedonian (FYROM)", "македонски јазик"),
    0x0436: (None, "Afrikaans", None),
    0x0437: (None, "Georgian", None),
    0x0438: ("Faeroese", "Faeroese", None),
    0x0439: (None, "Hindi", "हिंदी"),
    0x043E: (None, None, "Bahasa Malaysia"),
    0x043F: (None, "Kazakh", "Қазақ"),
    0x0440: (None, "Kyrgyz (Cyrillic)", "Кыргыз"),
    0x0441: (None, "Swahili", None),
    0x0443: (None, "Uzbek (Latin)", "U'zbek"),
    0x0444: (None, "Tatar", "Татар"),
    0x0446: (None, "Punjabi", None),
    0x0447: (None, "Gujarati", None),
    0x0449: (None, "Tamil", None),
    0x044A: (None, "Telugu", None),
    0x044B: (None, "Kannada", None),
    0x044E: (None, "Marathi", None),
    0x044F: (None, "Sanskrit", "संस्कृत"),
    0x0450: (None, "Mongolian (Cyrillic)", "Монгол хэл"),
    0x0456: (None, "Galician", None),
    0x0457: (None, "Konkani", None),
    0x045A: (None, "Syriac", "ܣܘܪܝܝܐ"),
    0x0465: (None, "Divehi", "ދިވެހިބަސް"),
    0x0804: (None, "Chinese (PRC)", None),
    0x0814: ("Norwegian", "Norwegian (Nynorsk)", "norsk (nynorsk)"),
    0x081A: (None, "Serbian (Latin)", None),
    0x082C: ("Azeri", "Azeri (Cyrillic)", "Азәрбајҹан"),
    0x083E: (None, "Malay (Brunei Darussalam)", "Bahasa Malaysia"),
    0x0843: (None, "Uzbek (Cyrillic)", "Ўзбек"),
    0x0C04: (None, "Chinese (Hong Kong)", None),
    0x0C0A: (None, "Spanish (International Sort)", None),
    0x0C1A: (None, "Serbian (Cyrillic)", None),
    0x1404: (None, "Chinese (Macau)", None),
    0x2C09: (None, "English (Trinidad)", None),
    0x3801: (None, "Arabic (U.A.E.)", None),
}

# Ids whose names ICU lacks (it answers the English name for the native one) or gives under
# another language than Windows does: id -> (Language, DisplayName, NativeName); None takes ICU's.
NAME_FIXES = {
    0x0030: (None, None, "Sesotho"), 0x0430: (None, None, "Sesotho"),
    0x0031: (None, None, "Xitsonga"), 0x0431: (None, None, "Xitsonga"),
    0x0032: (None, None, "Setswana"), 0x0432: (None, None, "Setswana"), 0x0832: (None, None, "Setswana"),
    0x0033: (None, None, "Tshivenḓa"), 0x0433: (None, None, "Tshivenḓa"),
    0x0455: (None, "Burmese (Myanmar)", None),
    0x045D: (None, None, "ᐃᓄᒃᑎᑐᑦ"), 0x785D: (None, None, "ᐃᓄᒃᑎᑐᑦ"),
    0x005D: (None, None, "Inuktitut"), 0x085D: (None, None, "Inuktitut"), 0x7C5D: (None, None, "Inuktitut"),
    0x006C: (None, None, "Sesotho sa Leboa"), 0x046C: (None, None, "Sesotho sa Leboa"),
    0x006D: (None, None, "Башҡорт"), 0x046D: (None, None, "Башҡорт"),
    0x0074: (None, None, "Avañe'ẽ"), 0x0474: (None, None, "Avañe'ẽ"),
    0x007A: (None, None, "Mapudungun"), 0x047A: (None, None, "Mapudungun"),
    0x007C: (None, None, "Kanien'kéha"), 0x047C: (None, None, "Kanien'kéha"),
    0x0082: (None, None, "occitan"), 0x0482: (None, None, "occitan"),
    0x0083: (None, None, "corsu"), 0x0483: (None, None, "corsu"),
    # ICU files Alsatian under Swiss German, and Dari under Persian.
    0x0084: ("Alsatian", "Alsatian", "Elsässisch"), 0x0484: ("Alsatian", "Alsatian (France)", "Elsässisch"),
    0x008C: ("Dari", "Dari", "درى"), 0x048C: ("Dari", "Dari (Afghanistan)", "درى"),
    0x0850: (None, None, "ᠮᠣᠩᠭᠣᠯ ᠬᠡᠯᠡ"), 0x0C50: (None, None, "ᠮᠣᠩᠭᠣᠯ ᠬᠡᠯᠡ"), 0x7C50: (None, None, "ᠮᠣᠩᠭᠣᠯ ᠬᠡᠯᠡ"),
    0x103B: (None, None, "julevusámegiella"), 0x143B: (None, None, "julevusámegiella"),
    0x7C3B: (None, None, "julevusámegiella"),
    0x183B: (None, None, "åarjelsaemiengiele"), 0x1C3B: (None, None, "åarjelsaemiengiele"),
    0x783B: (None, None, "åarjelsaemiengiele"),
    0x203B: (None, None, "sääʹmǩiõll"), 0x743B: (None, None, "sääʹmǩiõll"),
    # Serbian alone stands for Serbian (Latin, Serbia), code page 1250; ICU names it in Cyrillic.
    0x7C1A: (None, None, "srpski"),
    0x105F: (None, None, "ⵜⴰⵎⴰⵣⵉⵖⵜ"), 0x785F: (None, None, "ⵜⴰⵎⴰⵣⵉⵖⵜ"),
}


def icu_locale(tag):
    """The ICU locale of a Windows tag: "sr-Latn-RS" -> sr_Latn_RS, "quz-PE" -> qu_PE."""
    tag = tag.replace("_tradnl", "")
    parts = tag.split("-")
    language = parts[0]
    if len(parts) > 1 and "-".join(parts[:2]) in ICU_LANGUAGE:
        language = ICU_LANGUAGE["-".join(parts[:2])]
        parts = parts[2:]
    else:
        language = ICU_LANGUAGE.get(language, language)
        parts = parts[1:]
    # ICU writes variants ("valencia") in capitals.
    return icu.Locale("_".join([language] + [p.upper() if len(p) > 4 else p for p in parts]))


def icu_names(tag):
    loc = icu_locale(tag)
    english = icu.Locale("en")
    return (loc.getDisplayLanguage(english), loc.getDisplayName(english), loc.getDisplayLanguage(loc))


def rows():
    locales = {lcid: (tag, abbr, acp) for lcid, tag, abbr, acp in LOCALES}
    out = []
    for lcid, tag, abbr, acp in LOCALES:
        out.append((lcid, tag, abbr, acp, 0))
    for lcid, tag, default in NEUTRALS:
        _, abbr, acp = locales[default]
        out.append((lcid, tag, abbr, acp, default))
    result = []
    for lcid, tag, abbr, acp, default in sorted(out):
        names = list(icu_names(tag))
        for table in (LEGACY_NAMES, NAME_FIXES):
            for i, value in enumerate(table.get(lcid, (None, None, None))):
                if value is not None:
                    names[i] = value
        result.append((lcid, tag, abbr, names[0], names[1], names[2], acp, default))
    return result


def fits(text, code_page):
    try:
        text.encode("cp%d" % code_page)
        return True
    except UnicodeEncodeError:
        return False


def check(table):
    ids = [r[0] for r in table]
    assert len(ids) == len(set(ids)), "duplicate ids"
    by_id = {r[0]: r for r in table}
    for lcid, tag, abbr, language, display, native, acp, default in table:
        where = "0x%04X %s" % (lcid, tag)
        assert (lcid & 0x3FF) in by_id, where + ": no neutral id for its language"
        assert len(abbr) == 3 and abbr.isalpha() and abbr.isupper(), where
        assert acp in (0, 874, 932, 936, 949, 950) or 1250 <= acp <= 1258, where
        assert language and display and native, where
        assert "\"" not in language + display + native and "\\" not in language + display + native, where
        if default:
            assert default in by_id and by_id[default][7] == 0, where
            assert default & 0x3FF == lcid & 0x3FF, where
    # Windows' own names do not always fit the code page (Tajik's "ҷ" is not in 1251): say which.
    unfit = ["0x%04X" % r[0] for r in table if r[6] and not fits(r[5], r[6])]
    if unfit:
        sys.stderr.write("note: native names not all in their code page: %s\n" % " ".join(unfit))
    missing = sorted(k for k in locale.windows_locale if k not in by_id and k not in RETIRED)
    assert not missing, "ids of Python's table not here: " + ", ".join("0x%04X" % k for k in missing)


def main():
    table = rows()
    check(table)
    out = sys.stdout
    out.write("// Generated by scripts/gen_localedata.py; do not edit. To regenerate, from the repository root\n")
    out.write("// (needs Debian's python3-icu):\n")
    out.write("//     /usr/bin/python3 scripts/gen_localedata.py > platform/nls/LocaleData.cpp\n")
    out.write("// Ids, tags, abbreviations and code pages: Windows' national-language tables (the lists in the\n")
    out.write("// script); English and native names: ICU %s, except the names the program has always given.\n"
              % icu.ICU_VERSION)
    out.write('#include "platform/nls/LocaleData.h"\n\n#include <algorithm>\n\nnamespace nls {\n\nnamespace {\n\n')
    out.write("// Sorted by id: FindLocale searches it by halves.\n")
    out.write("constexpr TLocaleEntry kLocales[] = {\n")
    for lcid, tag, abbr, language, display, native, acp, default in table:
        out.write('    {0x%04X, "%s", "%s", "%s", "%s", "%s", %d, %s},\n'
                  % (lcid, tag, abbr, language, display, native, acp, "0x%04X" % default if default else "0"))
    out.write("};\n\n}  // namespace\n\n")
    out.write("std::span<const TLocaleEntry> LocaleEntries() { return kLocales; }\n\n")
    out.write("const TLocaleEntry* FindLocale(std::uint32_t lcid) {\n")
    out.write("    const auto id = static_cast<std::uint16_t>(lcid & 0xFFFF);\n")
    out.write("    const auto* it = std::lower_bound(std::begin(kLocales), std::end(kLocales), id,\n")
    out.write("                                      [](const TLocaleEntry& e, std::uint16_t v) { return e.LangId < v; });\n")
    out.write("    return (it != std::end(kLocales) && it->LangId == id) ? it : nullptr;\n}\n\n")
    out.write("}  // namespace nls\n")


if __name__ == "__main__":
    main()
