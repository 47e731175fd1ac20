// Times any LV2 plug-in on an audio file, as a host would run it: the file
// (read whole beforehand) goes through run() in blocks of a fixed size, and
// the CPU time of those calls is printed. bench/lv2-compare.sh runs it on
// Quarvix and on other analyzers side by side.
//
//   lv2-runner --make-signal OUT.wav [--seconds S]   a 48 kHz stereo test signal
//   lv2-runner --uri URI --input IN.wav [--block N] [--control SYMBOL=VALUE]...
//              [--state-text KEY_URI FILE] [--save-state-text KEY_URI FILE]
//
// --state-text restores FILE's text as the plug-in's state value KEY_URI (an
// atom:String) before the run; --save-state-text saves that value to FILE and
// runs nothing. Plug-ins are found on LV2_PATH as in any lilv host.

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/log/log.h>
#include <lv2/options/options.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <sndfile.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace
{

// ---------------------------------------------------------------- host features

class Urids
{
public:
    Urids()
    {
        mMap = {this, [](LV2_URID_Map_Handle handle, const char* uri)
                { return static_cast<Urids*>(handle)->Map(uri); }};
        mUnmap = {this,
                  [](LV2_URID_Unmap_Handle handle, LV2_URID id) -> const char*
                  {
                      auto* self = static_cast<Urids*>(handle);
                      return id > 0 && id <= self->mUris.size() ? self->mUris[id - 1].c_str()
                                                                : nullptr;
                  }};
    }
    LV2_URID Map(const char* uri)
    {
        const auto [it, added] = mIds.emplace(uri, static_cast<LV2_URID>(mUris.size() + 1));
        if (added)
            mUris.emplace_back(uri);
        return it->second;
    }
    LV2_URID_Map mMap{};
    LV2_URID_Unmap mUnmap{};

private:
    std::map<std::string, LV2_URID> mIds;
    std::vector<std::string> mUris;
};

int LogPrintf(LV2_Log_Handle, LV2_URID, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const int length = std::vfprintf(stderr, format, args);
    va_end(args);
    return length;
}

int LogVPrintf(LV2_Log_Handle, LV2_URID, const char* format, va_list args)
{
    return std::vfprintf(stderr, format, args);
}

// A worker that does the work at once, inside the run() that asked for it,
// so its CPU time is counted with the run; responses go back after the run.
struct SyncWorker
{
    const LV2_Worker_Interface* interface = nullptr;
    LV2_Handle handle = nullptr;
    std::vector<std::vector<char>> responses;

    static LV2_Worker_Status Schedule(LV2_Worker_Schedule_Handle self, std::uint32_t size,
                                      const void* data)
    {
        auto* worker = static_cast<SyncWorker*>(self);
        if (!worker->interface)
            return LV2_WORKER_ERR_UNKNOWN;
        return worker->interface->work(worker->handle, &Respond, worker, size, data);
    }
    static LV2_Worker_Status Respond(LV2_Worker_Respond_Handle self, std::uint32_t size,
                                     const void* data)
    {
        const auto* bytes = static_cast<const char*>(data);
        static_cast<SyncWorker*>(self)->responses.emplace_back(bytes, bytes + size);
        return LV2_WORKER_SUCCESS;
    }
    void AfterRun()
    {
        if (!interface)
            return;
        for (const auto& response : responses)
            interface->work_response(handle, static_cast<std::uint32_t>(response.size()),
                                     response.data());
        responses.clear();
        if (interface->end_run)
            interface->end_run(handle);
    }
};

// ---------------------------------------------------------------- files

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void MakeSignal(const std::string& path, double seconds)
{
    constexpr int kRate = 48000;
    SF_INFO info{};
    info.samplerate = kRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!file)
        throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
    // Music-like material: a slow sweep of harmonics over pink-ish noise.
    std::mt19937 random(1);
    std::normal_distribution<float> noise(0.0f, 0.05f);
    const auto frames = static_cast<std::int64_t>(seconds * kRate);
    std::vector<float> block(2 * 4800);
    double phase = 0.0;
    float pink = 0.0f;
    for (std::int64_t done = 0; done < frames;)
    {
        const std::int64_t count = std::min<std::int64_t>(4800, frames - done);
        for (std::int64_t i = 0; i < count; ++i)
        {
            const double t = static_cast<double>(done + i) / kRate;
            phase += 2.0 * M_PI * (110.0 * std::pow(2.0, std::fmod(t / 20.0, 6.0))) / kRate;
            pink = 0.98f * pink + noise(random);
            const float tone =
                static_cast<float>(0.3 * std::sin(phase) + 0.1 * std::sin(3.0 * phase));
            block[static_cast<std::size_t>(2 * i)] = tone + pink;
            block[static_cast<std::size_t>(2 * i + 1)] = 0.8f * tone - pink;
        }
        sf_writef_float(file, block.data(), count);
        done += count;
    }
    sf_close(file);
}

// The file's channels, each whole.
std::vector<std::vector<float>> ReadAudio(const std::string& path, int& rate)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file)
        throw std::runtime_error("cannot read " + path + ": " + sf_strerror(nullptr));
    rate = info.samplerate;
    std::vector<std::vector<float>> channels(
        static_cast<std::size_t>(info.channels),
        std::vector<float>(static_cast<std::size_t>(info.frames)));
    std::vector<float> block(static_cast<std::size_t>(65536 * info.channels));
    for (sf_count_t done = 0; done < info.frames;)
    {
        const sf_count_t got = sf_readf_float(file, block.data(), 65536);
        if (got <= 0)
            break;
        for (sf_count_t i = 0; i < got; ++i)
            for (int c = 0; c < info.channels; ++c)
                channels[static_cast<std::size_t>(c)][static_cast<std::size_t>(done + i)] =
                    block[static_cast<std::size_t>(i * info.channels + c)];
        done += got;
    }
    sf_close(file);
    return channels;
}

double CpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

double WallSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<double>(now.tv_sec) + 1e-9 * static_cast<double>(now.tv_nsec);
}

// ---------------------------------------------------------------- the run

struct Options
{
    std::string uri;
    std::string input;
    int block = 1024;
    std::map<std::string, float> controls;
    std::string stateKey;
    std::string stateFile;
    bool saveState = false;
};

struct StateValue
{
    std::string text;
    LV2_URID key = 0;
    LV2_URID type = 0;
};

const void* RetrieveText(LV2_State_Handle handle, std::uint32_t key, std::size_t* size,
                         std::uint32_t* type, std::uint32_t* flags)
{
    const auto* value = static_cast<const StateValue*>(handle);
    if (key != value->key)
        return nullptr;
    *size = value->text.size() + 1;
    *type = value->type;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    return value->text.c_str();
}

LV2_State_Status StoreText(LV2_State_Handle handle, std::uint32_t key, const void* data,
                           std::size_t size, std::uint32_t, std::uint32_t)
{
    auto* value = static_cast<StateValue*>(handle);
    if (key == value->key)
        value->text.assign(static_cast<const char*>(data),
                           strnlen(static_cast<const char*>(data), size));
    return LV2_STATE_SUCCESS;
}

int Run(const Options& options)
{
    Urids urids;
    int rate = 48000;
    std::vector<std::vector<float>> audio;
    if (!options.saveState)
        audio = ReadAudio(options.input, rate);
    const std::int64_t frames = audio.empty() ? 0 : static_cast<std::int64_t>(audio[0].size());

    LilvWorld* world = lilv_world_new();
    lilv_world_load_all(world);
    LilvNode* uri = lilv_new_uri(world, options.uri.c_str());
    const LilvPlugin* plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
    lilv_node_free(uri);
    if (!plugin)
        throw std::runtime_error("no LV2 plug-in " + options.uri + " on LV2_PATH");

    // Every feature such a plug-in commonly asks for.
    std::int32_t block = options.block;
    std::int32_t minBlock = 1;
    float sampleRate = static_cast<float>(rate);
    const LV2_URID intType = urids.Map(LV2_ATOM__Int);
    const LV2_Options_Option lengths[] = {
        {LV2_OPTIONS_INSTANCE, 0, urids.Map(LV2_BUF_SIZE__minBlockLength), sizeof(std::int32_t),
         intType, &minBlock},
        {LV2_OPTIONS_INSTANCE, 0, urids.Map(LV2_BUF_SIZE__maxBlockLength), sizeof(std::int32_t),
         intType, &block},
        {LV2_OPTIONS_INSTANCE, 0, urids.Map(LV2_BUF_SIZE__nominalBlockLength), sizeof(std::int32_t),
         intType, &block},
        {LV2_OPTIONS_INSTANCE, 0, urids.Map("http://lv2plug.in/ns/ext/parameters#sampleRate"),
         sizeof(float), urids.Map(LV2_ATOM__Float), &sampleRate},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    LV2_Log_Log log{nullptr, &LogPrintf, &LogVPrintf};
    SyncWorker worker;
    LV2_Worker_Schedule schedule{&worker, &SyncWorker::Schedule};
    const LV2_Feature mapFeature{LV2_URID__map, &urids.mMap};
    const LV2_Feature unmapFeature{LV2_URID__unmap, &urids.mUnmap};
    const LV2_Feature optionsFeature{LV2_OPTIONS__options,
                                     const_cast<LV2_Options_Option*>(lengths)};
    const LV2_Feature boundedFeature{LV2_BUF_SIZE__boundedBlockLength, nullptr};
    const LV2_Feature logFeature{LV2_LOG__log, &log};
    const LV2_Feature scheduleFeature{LV2_WORKER__schedule, &schedule};
    const LV2_Feature* features[] = {&mapFeature,     &unmapFeature, &optionsFeature,
                                     &boundedFeature, &logFeature,   &scheduleFeature,
                                     nullptr};

    LilvInstance* instance = lilv_plugin_instantiate(plugin, rate, features);
    if (!instance)
        throw std::runtime_error("the plug-in did not instantiate");
    worker.handle = lilv_instance_get_handle(instance);
    worker.interface = static_cast<const LV2_Worker_Interface*>(
        lilv_instance_get_extension_data(instance, LV2_WORKER__interface));

    if (!options.stateKey.empty())
    {
        const auto* state = static_cast<const LV2_State_Interface*>(
            lilv_instance_get_extension_data(instance, LV2_STATE__interface));
        if (!state)
            throw std::runtime_error("the plug-in has no state interface");
        StateValue value{"", urids.Map(options.stateKey.c_str()), urids.Map(LV2_ATOM__String)};
        if (options.saveState)
        {
            if (state->save(worker.handle, &StoreText, &value, LV2_STATE_IS_POD, features) !=
                    LV2_STATE_SUCCESS ||
                value.text.empty())
                throw std::runtime_error("the plug-in saved no value under " + options.stateKey);
            std::ofstream(options.stateFile, std::ios::binary) << value.text;
            lilv_instance_free(instance);
            lilv_world_free(world);
            return 0;
        }
        value.text = ReadText(options.stateFile);
        if (state->restore(worker.handle, &RetrieveText, &value, 0, features) != LV2_STATE_SUCCESS)
            throw std::runtime_error("the plug-in refused the state value from " +
                                     options.stateFile);
    }

    // Ports: audio inputs take the file's channels in turn; controls their
    // defaults unless given; atom ports empty sequences; the rest scratch.
    const std::uint32_t portCount = lilv_plugin_get_num_ports(plugin);
    std::vector<float> minimum(portCount), maximum(portCount), defaults(portCount);
    lilv_plugin_get_port_ranges_float(plugin, minimum.data(), maximum.data(), defaults.data());
    LilvNode* inputClass = lilv_new_uri(world, LV2_CORE__InputPort);
    LilvNode* audioClass = lilv_new_uri(world, LV2_CORE__AudioPort);
    LilvNode* controlClass = lilv_new_uri(world, LV2_CORE__ControlPort);
    LilvNode* cvClass = lilv_new_uri(world, LV2_CORE__CVPort);
    LilvNode* atomClass = lilv_new_uri(world, LV2_ATOM__AtomPort);
    std::vector<float> controls(portCount, 0.0f);
    std::vector<std::vector<float>> scratch(portCount);
    std::vector<std::vector<std::uint8_t>> atoms(portCount);
    std::vector<std::pair<std::uint32_t, std::size_t>> audioInputs; // port, file channel
    std::vector<std::uint32_t> atomOutputs;
    const LV2_URID sequenceType = urids.Map(LV2_ATOM__Sequence);
    const LV2_URID chunkType = urids.Map(LV2_ATOM__Chunk);
    constexpr std::size_t kAtomCapacity = 65536;
    std::size_t nextChannel = 0;
    for (std::uint32_t index = 0; index < portCount; ++index)
    {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
        const bool input = lilv_port_is_a(plugin, port, inputClass);
        if (lilv_port_is_a(plugin, port, audioClass) && input && !audio.empty())
        {
            audioInputs.emplace_back(index, nextChannel++ % audio.size());
        }
        else if (lilv_port_is_a(plugin, port, controlClass))
        {
            const char* symbol = lilv_node_as_string(lilv_port_get_symbol(plugin, port));
            const auto given = options.controls.find(symbol);
            controls[index] = given != options.controls.end() ? given->second
                              : std::isnan(defaults[index])
                                  ? (std::isnan(minimum[index]) ? 0.0f : minimum[index])
                                  : defaults[index];
            lilv_instance_connect_port(instance, index, &controls[index]);
        }
        else if (lilv_port_is_a(plugin, port, atomClass))
        {
            atoms[index].assign(kAtomCapacity, 0);
            auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(atoms[index].data());
            sequence->atom.type = input ? sequenceType : chunkType;
            sequence->atom.size =
                input ? sizeof(LV2_Atom_Sequence_Body) : kAtomCapacity - sizeof(LV2_Atom);
            if (!input)
                atomOutputs.push_back(index);
            lilv_instance_connect_port(instance, index, atoms[index].data());
        }
        else
        {
            // Audio outputs, CV ports and whatever else: a block of scratch.
            scratch[index].assign(static_cast<std::size_t>(options.block), 0.0f);
            lilv_instance_connect_port(instance, index, scratch[index].data());
        }
        (void)cvClass;
    }
    for (LilvNode* node : {inputClass, audioClass, controlClass, cvClass, atomClass})
        lilv_node_free(node);

    lilv_instance_activate(instance);
    std::int64_t blocks = 0;
    const double cpuStart = CpuSeconds();
    const double wallStart = WallSeconds();
    for (std::int64_t done = 0; done < frames; done += options.block)
    {
        const auto count =
            static_cast<std::uint32_t>(std::min<std::int64_t>(options.block, frames - done));
        for (const auto& [port, channel] : audioInputs)
            lilv_instance_connect_port(instance, port, audio[channel].data() + done);
        for (std::uint32_t port : atomOutputs)
        {
            auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(atoms[port].data());
            sequence->atom.type = chunkType;
            sequence->atom.size = kAtomCapacity - sizeof(LV2_Atom);
        }
        lilv_instance_run(instance, count);
        worker.AfterRun();
        ++blocks;
    }
    const double cpu = CpuSeconds() - cpuStart;
    const double wall = WallSeconds() - wallStart;
    lilv_instance_deactivate(instance);
    lilv_instance_free(instance);
    lilv_world_free(world);

    std::printf("cpu_seconds=%.3f wall_seconds=%.3f frames=%lld blocks=%lld block=%d rate=%d\n",
                cpu, wall, static_cast<long long>(frames), static_cast<long long>(blocks),
                options.block, rate);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try
    {
        Options options;
        std::string makeSignal;
        double seconds = 600.0;
        for (int i = 1; i < argc; ++i)
        {
            const std::string argument = argv[i];
            auto value = [&]() -> std::string
            {
                if (i + 1 >= argc)
                    throw std::runtime_error(argument + " needs a value");
                return argv[++i];
            };
            if (argument == "--make-signal")
                makeSignal = value();
            else if (argument == "--seconds")
                seconds = std::stod(value());
            else if (argument == "--uri")
                options.uri = value();
            else if (argument == "--input")
                options.input = value();
            else if (argument == "--block")
                options.block = std::stoi(value());
            else if (argument == "--control")
            {
                const std::string pair = value();
                const std::size_t equals = pair.find('=');
                if (equals == std::string::npos)
                    throw std::runtime_error("--control takes SYMBOL=VALUE");
                options.controls[pair.substr(0, equals)] = std::stof(pair.substr(equals + 1));
            }
            else if (argument == "--state-text" || argument == "--save-state-text")
            {
                options.saveState = argument == "--save-state-text";
                options.stateKey = value();
                options.stateFile = value();
            }
            else
                throw std::runtime_error("unknown argument " + argument);
        }
        if (!makeSignal.empty())
        {
            MakeSignal(makeSignal, seconds);
            return 0;
        }
        if (options.uri.empty() || (options.input.empty() && !options.saveState) ||
            options.block < 1)
            throw std::runtime_error(
                "usage: lv2-runner --uri URI --input IN.wav [--block N] [--control SYM=VAL]... "
                "[--state-text KEY FILE] | --make-signal OUT.wav [--seconds S]");
        return Run(options);
    }
    catch (const std::exception& error)
    {
        std::fprintf(stderr, "lv2-runner: %s\n", error.what());
        return 1;
    }
}
