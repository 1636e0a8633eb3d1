//
// RegionBands.cpp
//
// Implementation of the RegionBands class.
//

#include "worker/config/RegionBands.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>

namespace LoRaWANServer
{

namespace
{

const char* const NO_KNOWN_REGION = "no known region";
const double HZ_PER_MHZ = 1e6;

struct Raster
/// Channels count apart by step from first, of one modulation.
{
    long long firstHz;
    long long stepHz;
    long long count;
    RegionBands::Modulation modulation;
};

struct Region
{
    const char* name;
    long long lowHz;
    long long highHz;
    unsigned modulations;
    std::vector<std::vector<long long>> defaultChannelGroups;
    /// The channels every device of the region joins on; a plan that holds a
    /// whole group is clearly of the region.
    std::vector<Raster> rasters = {};
    /// The fixed uplink channels of a region that has them; a plan all on
    /// them is clearly of the region.
};

// The bands and channels of LoRaWAN Regional Parameters RP002-1.0.x
// (RP002-1.0.3 for the four AS923 groups). KR920's channels are centred on
// 920.9 to 923.3 MHz in steps of 200 kHz, so its band reaches half a step
// beyond them. US915 and AU915 have fixed uplink channels, 64 of 125 kHz
// and 8 of 500 kHz each. CN470 shares its band with no other region: every
// modulation counts there. The order is the one regions are named in.
const std::vector<Region>& regions()
{
    using M = RegionBands::Modulation;
    static const std::vector<Region> REGIONS = {
        {"EU868",
         863000000,
         870000000,
         M::LORA_125 | M::LORA_250 | M::FSK,
         {{868100000, 868300000, 868500000}}},
        {"US915",
         902000000,
         928000000,
         M::LORA_125 | M::LORA_500,
         {},
         {{902300000, 200000, 64, M::LORA_125}, {903000000, 1600000, 8, M::LORA_500}}},
        {"AU915",
         915000000,
         928000000,
         M::LORA_125 | M::LORA_500,
         {},
         {{915200000, 200000, 64, M::LORA_125}, {915900000, 1600000, 8, M::LORA_500}}},
        {"AS923",
         915000000,
         928000000,
         M::LORA_125 | M::LORA_250 | M::FSK,
         {{923200000, 923400000}, {921400000, 921600000}, {916600000, 916800000}, {917300000, 917500000}}},
        {"KR920", 920800000, 923400000, M::LORA_125, {{922100000, 922300000, 922500000}}},
        {"IN865", 865000000, 867000000, M::LORA_125 | M::FSK, {{865062500, 865402500, 865985000}}},
        {"RU864", 864000000, 870000000, M::LORA_125 | M::LORA_250 | M::FSK, {{868900000, 869100000}}},
        {"CN470", 470000000, 510000000, M::LORA_125 | M::LORA_250 | M::LORA_500 | M::FSK, {}},
        {"CN779",
         779000000,
         787000000,
         M::LORA_125 | M::LORA_250 | M::FSK,
         {{779500000, 779700000, 779900000}}},
        {"EU433",
         433050000,
         434790000,
         M::LORA_125 | M::LORA_250 | M::FSK,
         {{433175000, 433375000, 433575000}}},
    };
    return REGIONS;
}

bool holds(const Region& region, const RegionBands::Channel& channel)
{
    const double half = channel.bandwidthHz / 2;
    return static_cast<double>(channel.centreHz) - half >= static_cast<double>(region.lowHz) &&
           static_cast<double>(channel.centreHz) + half <= static_cast<double>(region.highHz);
}

bool holdsAll(const Region& region, const std::vector<RegionBands::Channel>& channels)
{
    return std::all_of(channels.begin(), channels.end(),
                       [&](const RegionBands::Channel& channel) { return holds(region, channel); });
}

bool allowsAll(const Region& region, const std::vector<RegionBands::Channel>& channels)
{
    return std::all_of(channels.begin(), channels.end(),
                       [&](const RegionBands::Channel& channel)
                       { return (region.modulations & channel.modulation) != 0; });
}

bool hasDefaultGroup(const Region& region, const std::vector<RegionBands::Channel>& channels)
{
    for (const std::vector<long long>& group : region.defaultChannelGroups)
    {
        const bool whole = std::all_of(group.begin(), group.end(),
                                       [&](long long frequency)
                                       {
                                           return std::any_of(channels.begin(), channels.end(),
                                                              [&](const RegionBands::Channel& channel)
                                                              { return channel.centreHz == frequency; });
                                       });
        if (whole)
            return true;
    }
    return false;
}

bool onRaster(const Raster& raster, const RegionBands::Channel& channel)
{
    const long long offset = channel.centreHz - raster.firstHz;
    return channel.modulation == raster.modulation && offset >= 0 && offset % raster.stepHz == 0 &&
           offset / raster.stepHz < raster.count;
}

bool allOnRasters(const Region& region, const std::vector<RegionBands::Channel>& channels)
{
    return !region.rasters.empty() &&
           std::all_of(channels.begin(), channels.end(),
                       [&](const RegionBands::Channel& channel)
                       {
                           return std::any_of(region.rasters.begin(), region.rasters.end(),
                                              [&](const Raster& raster)
                                              { return onRaster(raster, channel); });
                       });
}

using Candidates = std::vector<const Region*>;

/// Keeps the candidates that pass, unless none does.
template <typename Test>
Candidates preferred(const Candidates& candidates, Test test)
{
    Candidates kept;
    std::copy_if(candidates.begin(), candidates.end(), std::back_inserter(kept), test);
    return kept.empty() ? candidates : kept;
}

std::string megahertz(long long hertz)
{
    char text[32];
    std::snprintf(text, sizeof(text), "%g", static_cast<double>(hertz) / HZ_PER_MHZ);
    return text;
}

} // namespace

bool RegionBands::inAnyBand(const Channel& channel)
{
    return std::any_of(regions().begin(), regions().end(),
                       [&](const Region& region) { return holds(region, channel); });
}

std::string RegionBands::regionOf(const std::vector<Channel>& channels)
{
    if (channels.empty())
        return NO_KNOWN_REGION;
    Candidates candidates;
    for (const Region& region : regions())
    {
        if (holdsAll(region, channels))
            candidates.push_back(&region);
    }
    if (candidates.empty())
        return NO_KNOWN_REGION;
    candidates = preferred(candidates, [&](const Region* pRegion) { return allowsAll(*pRegion, channels); });
    candidates =
        preferred(candidates, [&](const Region* pRegion)
                  { return hasDefaultGroup(*pRegion, channels) || allOnRasters(*pRegion, channels); });
    const auto width = [](const Region* pRegion) { return pRegion->highHz - pRegion->lowHz; };
    const long long narrowest =
        width(*std::min_element(candidates.begin(), candidates.end(),
                                [&](const Region* pA, const Region* pB) { return width(pA) < width(pB); }));
    std::string names;
    for (const Region* pRegion : candidates)
    {
        if (width(pRegion) != narrowest)
            continue;
        names += (names.empty() ? "" : " or ") + std::string(pRegion->name);
    }
    return names;
}

std::string RegionBands::bandList()
{
    std::string list;
    for (const Region& region : regions())
    {
        list += (list.empty() ? "" : ", ") + std::string(region.name) + " " + megahertz(region.lowHz) + "-" +
                megahertz(region.highHz) + " MHz";
    }
    return list;
}

} // namespace LoRaWANServer
