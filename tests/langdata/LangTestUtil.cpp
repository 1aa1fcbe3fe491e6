#include "LangTestUtil.h"

#include <fstream>
#include <sstream>

namespace langtest {

using namespace locstore;

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string SamplePath() { return std::string(VLMRK_TEST_DATA_DIR) + "/lang/sample.en.vlang"; }

langdata::TLangFileHeader LoadSample(TLocStorage& store) {
    return langdata::ParseLangSource(ReadText(SamplePath()), "sample.en.vlang", store);
}

namespace {

void ExpectValue(const TLocItem* s, const TLocItem* g, int fv, int slot, bool structure, std::uint32_t version,
                 bool revisionFollowsVersion, const std::string& where) {
    const TLocValue* sv = s->BaseValue();
    const TLocValue* gv = g->Values().Value(slot);
    std::uint8_t kind = s->ValueKind();
    bool carried = kind == lvkString || kind == lvkStrings || (fv >= 4 && (kind == lvkFloat || kind == lvkInteger));
    EXPECT_EQ(gv->Text(), carried ? sv->Text() : WideString()) << where;
    std::int32_t rev = sv->Revision();
    if (structure && rev < 0 && revisionFollowsVersion) rev = static_cast<std::int32_t>(version);
    EXPECT_EQ(gv->Revision(), rev) << where;
    EXPECT_EQ(gv->Flags(), fv >= 2 ? sv->Flags() : 0) << where;
    EXPECT_EQ(gv->Stamp(), sv->Stamp()) << where;
    EXPECT_EQ(gv->LanguageId(), sv->LanguageId()) << where;
    if (s->Id() != 0) {
        EXPECT_EQ(g->Id(), s->Id()) << where;
    } else if (structure) {
        EXPECT_NE(g->Id(), 0) << where;
    }
}

void ExpectProperties(const TLocPropertyList& s, const TLocPropertyList& g, int fv, int slot, bool structure,
                      std::uint32_t version, const std::string& where) {
    ASSERT_EQ(g.Count(), s.Count()) << where;
    for (int i = 0; i < s.Count(); ++i) {
        EXPECT_EQ(g.ItemAt(i)->Name(), s.ItemAt(i)->Name()) << where;
        EXPECT_EQ(g.ItemAt(i)->ValueKind(), s.ItemAt(i)->ValueKind()) << where;
        ExpectValue(s.ItemAt(i), g.ItemAt(i), fv, slot, structure, version, true, where + "." + s.ItemAt(i)->Name());
    }
}

}  // namespace

void ExpectSameItems(const TLocStorage& src, const TLocStorage& got, int fv, int slot, bool structure,
                     std::uint32_t version) {
    auto flags = [fv](std::uint16_t f) { return fv >= 2 ? f : std::uint16_t{0}; };
    ASSERT_EQ(got.Units().Count(), src.Units().Count());
    for (int u = 0; u < src.Units().Count(); ++u) {
        const TLocUnit* su = src.Units().ItemAt(u);
        const TLocUnit* gu = got.Units().ItemAt(u);
        EXPECT_EQ(gu->Name(), su->Name());
        if (structure) {
        EXPECT_EQ(gu->Flags(), flags(su->Flags())) << su->Name();
    }
        ASSERT_EQ(gu->Constants().Count(), su->Constants().Count());
        for (int c = 0; c < su->Constants().Count(); ++c) {
            const TLocConstant* sc = su->Constants().ItemAt(c);
            const TLocConstant* gc = gu->Constants().ItemAt(c);
            EXPECT_EQ(gc->Name(), sc->Name());
            EXPECT_EQ(gc->ResourceId(), sc->ResourceId());
            ExpectValue(sc, gc, fv, slot, structure, version, true, su->Name() + "." + sc->Name());
        }
    }
    ASSERT_EQ(got.Forms().Count(), src.Forms().Count());
    for (int f = 0; f < src.Forms().Count(); ++f) {
        const TLocForm* sf = src.Forms().ItemAt(f);
        const TLocForm* gf = got.Forms().ItemAt(f);
        EXPECT_EQ(gf->Name(), sf->Name());
        if (structure) {
        EXPECT_EQ(gf->Flags(), flags(sf->Flags()));
    }
        ExpectProperties(sf->Properties(), gf->Properties(), fv, slot, structure, version, sf->Name());
        ASSERT_EQ(gf->Components().Count(), sf->Components().Count());
        for (int c = 0; c < sf->Components().Count(); ++c) {
            const TLocComponent* sc = sf->Components().ItemAt(c);
            const TLocComponent* gc = gf->Components().ItemAt(c);
            EXPECT_EQ(gc->Name(), sc->Name());
            if (structure) {
        EXPECT_EQ(gc->Flags(), flags(sc->Flags()));
    }
            ExpectProperties(sc->Properties(), gc->Properties(), fv, slot, structure, version,
                             sf->Name() + "." + sc->Name());
        }
    }
    if (fv < 7) {
        if (structure) {
        EXPECT_EQ(got.ExternalGroups().Count(), 0);
    }
        return;
    }
    ASSERT_EQ(got.ExternalGroups().Count(), src.ExternalGroups().Count());
    for (int g = 0; g < src.ExternalGroups().Count(); ++g) {
        const TLocExtGroup* sg = src.ExternalGroups().ItemAt(g);
        const TLocExtGroup* gg = got.ExternalGroups().ItemAt(g);
        EXPECT_EQ(gg->Name(), sg->Name());
        if (structure) {
        EXPECT_EQ(gg->Flags(), sg->Flags());
    }
        ASSERT_EQ(gg->Entries().Count(), sg->Entries().Count());
        for (int e = 0; e < sg->Entries().Count(); ++e)
            ExpectValue(sg->Entries().ItemAt(e), gg->Entries().ItemAt(e), fv, slot, structure, version, false,
                        sg->Name() + "." + sg->Entries().ItemAt(e)->Name());
    }
}

void ExpectConsistent(const TLocStorage& store) {
    const int n = store.LanguageCount();
    for (int u = 0; u < store.Units().Count(); ++u)
        for (int c = 0; c < store.Units().ItemAt(u)->Constants().Count(); ++c)
            EXPECT_EQ(store.Units().ItemAt(u)->Constants().ItemAt(c)->Values().Count(), n);
    auto props = [n](const TLocPropertyList& l) {
        for (int p = 0; p < l.Count(); ++p) EXPECT_EQ(l.ItemAt(p)->Values().Count(), n);
    };
    for (int f = 0; f < store.Forms().Count(); ++f) {
        props(store.Forms().ItemAt(f)->Properties());
        for (int c = 0; c < store.Forms().ItemAt(f)->Components().Count(); ++c)
            props(store.Forms().ItemAt(f)->Components().ItemAt(c)->Properties());
    }
    for (int g = 0; g < store.ExternalGroups().Count(); ++g)
        for (int e = 0; e < store.ExternalGroups().ItemAt(g)->Entries().Count(); ++e)
            EXPECT_EQ(store.ExternalGroups().ItemAt(g)->Entries().ItemAt(e)->Values().Count(), n);
}

}  // namespace langtest
