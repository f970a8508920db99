// The simulator's own parsing: object paths, value conversion to CIM types, and scenarios.
#include "hostsim/object_path.h"
#include "hostsim/scenario.h"
#include "hostsim/wbem_value.h"
#include "hostsim/wql_parser.h"

#include <gtest/gtest.h>

namespace hostsim {
namespace {

TEST(ObjectPath, ParsesFullAndRelativePathsWithEscapedValues) {
    auto full = ParseObjectPath(
        LR"(\\HV-DEMO\root\virtualization:Msvm_VideoHead.CreationClassName="Msvm_VideoHead",DeviceID="Microsoft:G\\S\\Head",SystemName="a\"b")");
    ASSERT_TRUE(full);
    EXPECT_EQ(full->server, L"HV-DEMO");
    EXPECT_EQ(full->nameSpace, L"root\\virtualization");
    EXPECT_EQ(full->className, L"Msvm_VideoHead");
    ASSERT_EQ(full->keys.size(), 3u);
    EXPECT_EQ(full->keys[1].second, L"Microsoft:G\\S\\Head");
    EXPECT_EQ(full->keys[2].second, L"a\"b");

    auto relative = ParseObjectPath(L"Msvm_X.Id=3");
    ASSERT_TRUE(relative);
    EXPECT_EQ(relative->server, L"");
    EXPECT_EQ(relative->keys[0].second, L"3");
    auto cls = ParseObjectPath(L"root\\virtualization:Msvm_Keyboard");
    ASSERT_TRUE(cls);
    EXPECT_EQ(cls->nameSpace, L"root\\virtualization");
    EXPECT_TRUE(cls->keys.empty());

    for (const wchar_t* bad : {L"", L"Msvm_X.", L"Msvm_X.Id", L"Msvm_X.Id=\"open", L"Msvm_X.Id=\"a\"junk",
                               L"\\\\server", L"\\\\server\\ns", L"Msvm X", L"Msvm_X.Id=\"a\",", L".Id=\"a\""})
        EXPECT_FALSE(ParseObjectPath(bad)) << bad;

    std::vector<std::pair<std::wstring, std::wstring>> keys = {{L"A", L"back\\slash"}, {L"B", L"quo\"te"}};
    auto round = ParseObjectPath(FormatRelativePath(L"C", keys));
    ASSERT_TRUE(round);
    EXPECT_EQ(round->keys, keys);
}

TEST(WqlParser, KeepsLiteralsAndAnchorPathsIntact) {
    auto q = ParseWql(L"select * FROM Msvm_ComputerSystem where ElementName = 'it\\'s \\\\ \"x\"' AND SettingType = 3");
    ASSERT_TRUE(q);
    ASSERT_EQ(q->where.size(), 2u);
    EXPECT_EQ(q->where[0].value, L"it's \\ \"x\"");
    EXPECT_TRUE(q->where[0].isString);
    EXPECT_FALSE(q->where[1].isString);
    auto a = ParseWql(L"ASSOCIATORS OF {Msvm_X.Id=\"a}b\\\"c\"} WHERE RESULTCLASS = Msvm_Y");
    ASSERT_TRUE(a);
    EXPECT_EQ(a->anchorPath, L"Msvm_X.Id=\"a}b\\\"c\"");
    EXPECT_EQ(a->resultClass, L"Msvm_Y");
    for (const wchar_t* bad : {L"Associators {x}", L"Associators of {x", L"Associators of {x} Where ResultClass",
                               L"select * from A where B = 'x' and", L"select * from A where 'x' = B",
                               L"select * from A where B = 'x\\"})
        EXPECT_FALSE(ParseWql(bad)) << bad;
}

// Puts a value through the conversion a Put applies and gives the result (or the failure).
HRESULT Coerce(VARIANT in, CIMTYPE type, PropValue& out) { return CoerceToCimType(in, type, out); }

TEST(CoerceToCimType, FitsValuesIntoTheDeclaredTypeOrRefuses) {
    PropValue out;
    VARIANT v;
    VariantInit(&v);
    V_VT(&v) = VT_UI1;
    V_UI1(&v) = 127;
    ASSERT_EQ(Coerce(v, CIM_SINT8, out), S_OK);
    EXPECT_EQ(V_VT(&out.Get()), VT_I2);
    V_VT(&v) = VT_I8;
    V_I8(&v) = 65536;
    EXPECT_EQ(Coerce(v, CIM_UINT16, out), static_cast<HRESULT>(WBEM_E_TYPE_MISMATCH));
    EXPECT_EQ(V_VT(&out.Get()), VT_I2);  // untouched by the refused value
    V_I8(&v) = 4294967295ll;
    ASSERT_EQ(Coerce(v, CIM_UINT32, out), S_OK);
    EXPECT_EQ(V_I4(&out.Get()), -1);
    V_VT(&v) = VT_BOOL;
    V_BOOL(&v) = 1;  // any non-zero VARIANT_BOOL is true
    ASSERT_EQ(Coerce(v, CIM_BOOLEAN, out), S_OK);
    EXPECT_EQ(V_BOOL(&out.Get()), VARIANT_TRUE);
    EXPECT_EQ(Coerce(v, CIM_UINT8, out), static_cast<HRESULT>(WBEM_E_TYPE_MISMATCH));
    V_VT(&v) = VT_I4 | VT_BYREF;
    EXPECT_EQ(Coerce(v, CIM_SINT32, out), static_cast<HRESULT>(WBEM_E_TYPE_MISMATCH));
    V_VT(&v) = VT_NULL;
    ASSERT_EQ(Coerce(v, CIM_STRING | CIM_FLAG_ARRAY, out), S_OK);
    EXPECT_TRUE(out.IsNull());

    // Arrays of VARIANTs convert element by element; two dimensions never fit.
    SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    VARIANT item;
    VariantInit(&item);
    V_VT(&item) = VT_I2;
    for (LONG i = 0; i < 2; ++i) {
        V_I2(&item) = static_cast<short>(10 + i);
        SafeArrayPutElement(variants, &i, &item);
    }
    V_VT(&v) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(&v) = variants;
    ASSERT_EQ(Coerce(v, CIM_UINT32 | CIM_FLAG_ARRAY, out), S_OK);
    EXPECT_EQ(V_VT(&out.Get()), VT_ARRAY | VT_I4);
    EXPECT_EQ(ValueToJson(out.Get(), CIM_UINT32 | CIM_FLAG_ARRAY).dump(), "[10,11]");
    SafeArrayDestroy(variants);
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    SAFEARRAY* square = SafeArrayCreate(VT_I4, 2, bounds);
    V_VT(&v) = VT_ARRAY | VT_I4;
    V_ARRAY(&v) = square;
    EXPECT_EQ(Coerce(v, CIM_UINT32 | CIM_FLAG_ARRAY, out), static_cast<HRESULT>(WBEM_E_TYPE_MISMATCH));
    SafeArrayDestroy(square);
}

TEST(Scenario, ErrorsNameTheOffendingMember) {
    struct Case {
        const char* json;
        const char* error;
    } cases[] = {
        {"not json", "scenario: not valid JSON"},
        {R"({"hosts": [{"name": "a", "machines": [{"elementName": "m", "mouse": "wireless"}]}]})",
         "scenario.hosts[0].machines[0].mouse: unknown value \"wireless\""},
        {R"({"hosts": [{"name": "a", "machines": [{"elementName": "m", "widht": 5}]}]})",
         "scenario.hosts[0].machines[0]: unknown member \"widht\""},
        {R"({"hosts": [{"name": "a", "machines": [{"width": 5}]}]})", "scenario.hosts[0].machines[0]: needs an \"elementName\""},
        {R"({"hosts": [{"name": "a", "machines": [{"elementName": "m", "height": 0}]}]})",
         "scenario.hosts[0].machines[0].height: must lie in 1..16384"},
        {R"({"hosts": [{"name": "a", "faults": [{"call": "Get", "hr": "0x1", "disconnect": true}]}]})",
         "scenario.hosts[0].faults[0]: needs exactly one of \"hr\", \"disconnect\" and \"reply\""},
        {R"({"hosts": [{"name": "a", "faults": [{"hr": "nope"}]}]})",
         "scenario.hosts[0].faults[0].hr: must be a hex string such as \"0x80041002\""},
        {R"({"hosts": [{"hostName": "a"}]})", "scenario.hosts[0]: needs a \"name\""},
        // Generations: what the host's provider and the machine's devices allow, named by host and machine.
        {R"({"hosts": [{"name": "old", "machines": [{"elementName": "G2", "generation": 2}]}]})",
         "scenario.hosts[0] \"old\" machine \"G2\": generation 2 needs a host of the provider's second version "
         "(\"provider\" \"v2\" or \"both\")"},
        {R"({"hosts": [{"name": "a"}, {"name": "hv", "provider": "v2",
             "machines": [{"elementName": "G1"}, {"elementName": "G2", "generation": 2, "display": "s3"}]}]})",
         "scenario.hosts[1] \"hv\" machine \"G2\": generation 2 needs display \"synthetic\""},
        {R"({"hosts": [{"name": "hv", "provider": "both", "machines": [{"elementName": "G2", "generation": 2, "mouse": "ps2"}]}]})",
         "scenario.hosts[0] \"hv\" machine \"G2\": generation 2 has no PS/2 mouse (mouse \"ps2\")"},
        {R"({"hosts": [{"name": "hv", "provider": "v2", "machines": [{"elementName": "G3", "generation": 3}]}]})",
         "scenario.hosts[0] \"hv\" machine \"G3\": generation must be 1 or 2"},
        {R"({"hosts": [{"name": "hv", "provider": "v2", "machines": [{"elementName": "G2", "generation": 2}],
             "changes": [{"after": 5, "machine": "G2", "set": {"display": "none"}}]}]})",
         "scenario.hosts[0] \"hv\" changes[0] machine \"G2\": generation 2 needs display \"synthetic\""},
        {R"({"hosts": [{"name": "hv", "provider": "v2", "typeScancodes": false}]})",
         "scenario.hosts[0] \"hv\": \"typeScancodes\" false is the provider's first release, which has no second "
         "version"},
    };
    for (const auto& c : cases) {
        ScenarioConfig config;
        std::string error;
        EXPECT_FALSE(ParseScenario(c.json, config, error)) << c.json;
        EXPECT_EQ(error, c.error);
    }
    // Machines without a name get a GUID of their own that stays the same from run to run.
    ScenarioConfig first, second;
    std::string error;
    const char* unnamed = R"({"hosts": [{"name": "a", "machines": [{"elementName": "x"}, {"elementName": "y"}]}]})";
    ASSERT_TRUE(ParseScenario(unnamed, first, error)) << error;
    ASSERT_TRUE(ParseScenario(unnamed, second, error)) << error;
    EXPECT_EQ(first.hosts[0].machines[0].name.size(), 36u);
    EXPECT_NE(first.hosts[0].machines[0].name, first.hosts[0].machines[1].name);
    EXPECT_EQ(first.hosts[0].machines[1].name, second.hosts[0].machines[1].name);
    ASSERT_TRUE(ParseScenario(DefaultScenarioJson(), first, error)) << error;
    EXPECT_EQ(first.hosts.size(), 4u);
}

}  // namespace
}  // namespace hostsim
