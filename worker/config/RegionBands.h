//
// RegionBands.h
//
// Library: LoRaWANServer_Worker
// Package: Configuration
// Module:  RegionBands
//
// Definition of the RegionBands class: the LoRaWAN regions' frequency bands,
// and which region a channel plan belongs to.
//

#ifndef LoRaWANServer_RegionBands_INCLUDED
#define LoRaWANServer_RegionBands_INCLUDED

#include <string>
#include <vector>

namespace LoRaWANServer
{

class RegionBands
/// The frequency bands of the LoRaWAN regions, as the LoRaWAN Regional
/// Parameters (RP002-1.0.x) define them, and the region whose band plan a
/// set of channels fits.
{
public:
    enum Modulation
    /// What a channel receives; each region allows some of these.
    {
        LORA_125 = 1,
        LORA_250 = 2,
        LORA_500 = 4,
        FSK = 8
    };

    struct Channel
    /// An enabled channel: its centre, its bandwidth and its modulation.
    {
        long long centreHz;
        double bandwidthHz;
        Modulation modulation;
    };

    static bool inAnyBand(const Channel& channel);
    /// Returns true when the channel's whole bandwidth lies in the band of
    /// at least one region.

    static std::string regionOf(const std::vector<Channel>& channels);
    /// Returns the name of the region ("EU868", "US915", ...) whose band
    /// holds every channel, or "no known region" (also for no channel).
    /// Where several bands hold them, the regions that allow each channel's
    /// modulation are preferred, then those whose default channels are all
    /// in the plan or whose fixed channels hold all of the plan's, then the
    /// narrowest band; regions still alike are named together ("AU915 or
    /// AS923").

    static std::string bandList();
    /// Returns every region's name and band, for messages:
    /// "EU868 863-870 MHz, US915 902-928 MHz, ...".
};

} // namespace LoRaWANServer

#endif // LoRaWANServer_RegionBands_INCLUDED
