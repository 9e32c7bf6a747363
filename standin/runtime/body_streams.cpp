#include "body_streams.h"

#include <cstdio>
#include <map>
#include <thread>
#include <vector>

#include "agent_fields.h"
#include "callback_rules.h"

namespace {
// One read: enough for the engine to keep media playing, small enough that a
// line on the link stays short.
constexpr uint32_t kMaxReadBytes = 1 << 20;

// Only the UI thread touches the table, through agent requests.
std::map<int64_t, IStream*>& Streams() {
    static auto* streams = new std::map<int64_t, IStream*>(); // lives until process exit
    return *streams;
}

std::map<int64_t, IStream*>::iterator FindStream(const Json& request) {
    const auto id = IntegerField(request, "stream", int64_t{0});
    auto found = Streams().find(id);
    if (found == Streams().end())
        throw AgentMessageError("no body stream " + std::to_string(id));
    return found;
}

void Forget(std::map<int64_t, IStream*>::iterator stream) {
    stream->second->Release();
    Streams().erase(stream);
}
} // namespace

std::string Base64(const char* bytes, size_t length) {
    static const char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((length + 2) / 3 * 4);
    for (size_t i = 0; i < length; i += 3) {
        uint32_t chunk = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < length)
            chunk |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < length)
            chunk |= static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(chunk >> 18) & 63];
        out += kAlphabet[(chunk >> 12) & 63];
        out += i + 1 < length ? kAlphabet[(chunk >> 6) & 63] : '=';
        out += i + 2 < length ? kAlphabet[chunk & 63] : '=';
    }
    return out;
}

bool IsAgileStream(IStream* stream) {
    IUnknown* agile = nullptr;
    if (SUCCEEDED(stream->QueryInterface(IID_IAgileObject, reinterpret_cast<void**>(&agile)))) {
        agile->Release();
        return true;
    }
    ReportViolation("stream-not-agile", "a response stream that is not agile (no IAgileObject)");
    return false;
}

void OnReaderThread(const std::function<void()>& work) {
    std::thread([&work] {
        const HRESULT initialised = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        work();
        if (SUCCEEDED(initialised))
            CoUninitialize();
    }).join();
}

int64_t KeepBodyStream(IStream* stream) {
    static int64_t lastId = 0;
    stream->AddRef();
    Streams()[++lastId] = stream;
    return lastId;
}

Json ReadBodyStream(const Json& request) {
    auto stream = FindStream(request);
    const auto wanted = IntegerField(request, "bytes", kMaxReadBytes);
    if (wanted == 0 || wanted > kMaxReadBytes)
        throw AgentMessageError("\"bytes\" must be from 1 to " + std::to_string(kMaxReadBytes));
    std::vector<char> buffer(wanted);
    uint32_t filled = 0;
    HRESULT result = S_OK;
    // A stream may hand out less than asked before its end; only 0 bytes ends it.
    OnReaderThread([&] {
        for (ULONG read = 1; filled < wanted && read > 0 && result == S_OK;) {
            read = 0;
            result = stream->second->Read(buffer.data() + filled, wanted - filled, &read);
            filled += read;
            if (read == 0 && result == S_OK)
                result = S_FALSE;
        }
    });
    Json reply = {{"data", Base64(buffer.data(), filled)}, {"end", result != S_OK}};
    if (FAILED(result)) {
        char code[16];
        snprintf(code, sizeof(code), "0x%08lX", static_cast<unsigned long>(result));
        reply["error"] = std::string("the host's stream failed to read: ") + code;
    }
    if (result != S_OK)
        Forget(stream);
    return reply;
}

Json CloseBodyStream(const Json& request) {
    Forget(FindStream(request));
    return {{"closed", true}};
}
