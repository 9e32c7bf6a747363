// The WebView2 layout table (standin/webview2-abi.tsv, from which the stand-in
// runtime's method bodies and the host's IID table are generated) against the
// vendor's WebView2.h: every interface's IID and base, every method's vtable slot.
#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <type_traits>
#include <utility>

#include <windows.h>

#include "util/text/files.h"
#include "util/text/text.h"
#include <WebView2.h>

namespace {
// A fake object whose vtable entries record their own index when called. Extra
// arguments are harmless: in the x64 convention the caller owns the stack.
int g_calledSlot = -1;
constexpr size_t kFakeSlots = 256;

template <size_t N> HRESULT STDMETHODCALLTYPE RecordSlot(void*) {
    g_calledSlot = static_cast<int>(N);
    return S_OK;
}

template <size_t... N>
constexpr std::array<void*, kFakeSlots> MakeRecorders(std::index_sequence<N...>) {
    return {reinterpret_cast<void*>(&RecordSlot<N>)...};
}
const std::array<void*, kFakeSlots> kRecorders =
    MakeRecorders(std::make_index_sequence<kFakeSlots>());

// Converts to any parameter type, so each method can be called knowing only its arity.
struct AnyArgument {
    template <typename T> operator T() const { return T{}; }
};

// Hides the fake object's real type from the optimiser.
[[gnu::noinline]] void* Opaque(void* object) {
    return object;
}

template <typename I, typename Method, size_t... Is>
int SlotOf(Method method, std::index_sequence<Is...>) {
    struct {
        const void* const* vtable;
    } fake{kRecorders.data()};
    g_calledSlot = -1;
    I* object = static_cast<I*>(Opaque(&fake));
    (object->*method)((void(Is), AnyArgument{})...);
    return g_calledSlot;
}

std::string IidText(const IID& iid) {
    wchar_t text[64] = {};
    StringFromGUID2(iid, text, 64);
    return WideToUtf8(text);
}

struct Compiled {
    std::map<std::string, int> slots; // "Interface.method" -> slot
    std::map<std::string, std::string> iids, bases;
};

const Compiled& CompiledDeclarations() {
    static const Compiled compiled = [] {
        Compiled c;
#define WEBVIEW2_SLOT(I, M, N) c.slots[#I "." #M] = SlotOf<I>(&I::M, std::make_index_sequence<N>());
#define WEBVIEW2_INTERFACE(I, B)                                                                   \
    static_assert(std::is_base_of_v<B, I>);                                                        \
    c.iids[#I] = IidText(IID_##I);                                                                 \
    c.bases[#I] = #B;
#include "webview2_slots.inc"
#undef WEBVIEW2_SLOT
#undef WEBVIEW2_INTERFACE
        return c;
    }();
    return compiled;
}

struct Row {
    std::string interfaceName, iid, base, method;
    int slot;
};

std::vector<Row> ReadLayoutTable() {
    std::ifstream file(Utf8ToWide(FolderOfPath(GetExecutablePath()) + "webview2-abi.tsv").c_str());
    std::vector<Row> rows;
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line[0] == '#' || line.rfind("interface\t", 0) == 0)
            continue;
        std::istringstream fields(line);
        Row row;
        std::string slot;
        std::getline(fields, row.interfaceName, '\t');
        std::getline(fields, row.iid, '\t');
        std::getline(fields, row.base, '\t');
        std::getline(fields, slot, '\t');
        std::getline(fields, row.method, '\t');
        row.slot = std::stoi(slot);
        rows.push_back(row);
    }
    return rows;
}
} // namespace

TEST(WebView2Layout, EveryRowMatchesTheDeclarations) {
    const std::vector<Row> rows = ReadLayoutTable();
    ASSERT_GT(rows.size(), 250u);
    const Compiled& compiled = CompiledDeclarations();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.interfaceName + "." + row.method);
        auto slot = compiled.slots.find(row.interfaceName + "." + row.method);
        ASSERT_NE(slot, compiled.slots.end()) << "method not declared";
        EXPECT_EQ(slot->second, row.slot);
        EXPECT_EQ(compiled.iids.at(row.interfaceName), row.iid);
        EXPECT_EQ(compiled.bases.at(row.interfaceName), row.base);
    }
    EXPECT_EQ(compiled.slots.size(), rows.size()) << "declarations the table does not list";
}

// With the slots above, this shows the table lists every method of each interface
// but a leaf's last ones (the stand-in's classes would then not compile).
TEST(WebView2Layout, EachInterfaceContinuesItsBaseWithoutGaps) {
    std::map<std::string, int> lastSlot = {{"IUnknown", 2}};
    for (const Row& row : ReadLayoutTable()) {
        SCOPED_TRACE(row.interfaceName + "." + row.method);
        auto last = lastSlot.find(row.interfaceName);
        if (last == lastSlot.end()) {
            ASSERT_TRUE(lastSlot.count(row.base)) << "base listed after its derived interface";
            EXPECT_EQ(row.slot, lastSlot[row.base] + 1) << "first method after the base's last";
        } else {
            EXPECT_EQ(row.slot, last->second + 1);
        }
        lastSlot[row.interfaceName] = row.slot;
    }
}

TEST(WebView2Layout, SmallTypesHaveTheirSdkSizes) {
    EXPECT_EQ(sizeof(EventRegistrationToken), 8u);
    EXPECT_EQ(sizeof(COREWEBVIEW2_PHYSICAL_KEY_STATUS), 24u);
    EXPECT_EQ(sizeof(COREWEBVIEW2_COLOR), 4u);
    EXPECT_EQ(sizeof(COREWEBVIEW2_WEB_RESOURCE_CONTEXT), 4u);
    EXPECT_EQ(COREWEBVIEW2_WEB_RESOURCE_CONTEXT_OTHER, 16);
    EXPECT_EQ(COREWEBVIEW2_PERMISSION_STATE_ALLOW, 1);
    EXPECT_EQ(COREWEBVIEW2_KEY_EVENT_KIND_SYSTEM_KEY_UP, 3);
}
