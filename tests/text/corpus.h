// Model names in every script the languages use, with the code pages that can hold each one.
// Shared by the conversion tests and the code-page agreement data.
#ifndef VT_TEST_TEXT_CORPUS_H
#define VT_TEST_TEXT_CORPUS_H

#include <string>
#include <vector>

namespace corpus {

struct entry {
    const char* id;              // short name used in the agreement data
    std::u16string text;         // the name as the host hands it over
    std::vector<int> code_pages; // code pages holding every character (0 = default ANSI page)
};

inline const std::vector<entry>& names() {
    static const std::vector<entry> all = {
        {"ascii", u"bracket_01-A.prt", {0, 1250, 1251, 1252, 1253, 1254, 28598, 932, 936, 949, 950}},
        {"french", u"Pièce_usinée_côté", {0, 1252}},
        {"german", u"Größe_Äußere_Überwurf", {0, 1252}},
        {"spanish", u"Piñón_año_¿ÑÁ", {0, 1252}},
        {"italian", u"Più_città_Perché", {0, 1252, 1254}},
        {"portuguese", u"Conexão_ação_Ç", {0, 1252}},
        {"euro", u"Preis_€5", {0, 1250, 1251, 1252, 1253, 1254}},
        {"russian", u"Деталь_корпуса_Ёлка_й", {1251}},
        {"ukrainian", u"Їжак_Ґанок", {1251}},
        {"greek", u"Εξάρτημα_άξονας_ΐΰΆΏ", {1253}},
        {"turkish", u"Dişli_çark_ĞÜŞİÖÇ_ığüşöç", {1254}},
        {"czech", u"Součást_Řetěz_ůŽ", {1250}},
        {"polish", u"Łożysko_Źdźbło_ąęń", {1250}},
        {"hungarian", u"Szögő_Űrméret_ő", {1250}},
        {"slovak", u"Ložisko_ľĺŕô", {1250}},
        {"slovenian", u"Čep_Šobe_Žica", {1250}},
        {"hebrew", u"חלק_ראשי_ךםןףץ", {28598}},
        {"kana", u"あいう_カタカナ_ヴ", {932}},
        {"kanji", u"部品_図面_漢字", {932}},
        {"halfwidth", u"ｶﾀｶﾅ_ｱｲｳ", {932}},
        {"korean", u"부품_도면_한글", {949}},
        {"chinese_cn", u"零件_图纸_装配", {936}},
        {"chinese_tw", u"零件_圖紙_裝配", {950}},
    };
    return all;
}

// Characters that no code page below has, nor any best-fit replacement on Windows: each
// becomes the default character.
struct unmappable {
    const char* id;
    std::u16string text;
    std::vector<int> code_pages;
};

inline const std::vector<unmappable>& unmappables() {
    static const std::vector<unmappable> all = {
        {"cjk_in_sbcs", u"A部B", {0, 1250, 1251, 1252, 1253, 1254, 28598}},
        {"hebrew_in_sbcs", u"xחy", {0, 1250, 1251, 1252, 1253, 1254}},
        {"hangul_in_932", u"a부b", {932, 936}},
    };
    return all;
}

inline bool holds(const std::vector<int>& pages, int code_page) {
    for (int page : pages)
        if (page == code_page) return true;
    return false;
}

inline const std::vector<int>& code_pages() {
    static const std::vector<int> all = {0, 1250, 1251, 1252, 1253, 1254, 28598, 932, 936, 949, 950};
    return all;
}

}  // namespace corpus

#endif
