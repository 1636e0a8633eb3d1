//
// PrometheusText.h
//
// A strict reader of Prometheus' text exposition format, for checking what the
// service writes as a node_exporter textfile collector would read it.
//

#ifndef LoRaWANServer_PrometheusText_INCLUDED
#define LoRaWANServer_PrometheusText_INCLUDED

#include <cstddef>
#include <map>
#include <set>
#include <string>

namespace TestSupport
{

class PrometheusText
/// The samples, types and help texts of one exposition text (format 0.0.4).
{
public:
    explicit PrometheusText(const std::string& text);
    /// Parses text. Throws std::runtime_error naming the line when the text is
    /// not ended by a line feed, a line is neither a comment, a blank line nor
    /// a sample, a name or label is malformed, a value is not a number, a TYPE
    /// is unknown or given twice or after its samples, a sample's metric (a
    /// histogram's for its _bucket, _sum and _count series, a summary's for
    /// its _sum and _count) has no TYPE line
    /// before it, or a series appears twice.

    double value(const std::string& series) const;
    /// Returns the value of series, written as the name followed by its labels
    /// in their order, e.g. name{crc="ok"}; throws std::out_of_range when the
    /// text has no such series.

    std::string type(const std::string& metric) const;
    std::string help(const std::string& metric) const;
    /// The TYPE and HELP of metric; empty when not given.

    std::size_t size() const;
    /// The number of samples.

private:
    void parseComment(const std::string& line);
    void parseSample(const std::string& line);
    std::string familyOf(const std::string& name) const;

    std::map<std::string, double> _samples;
    std::map<std::string, std::string> _types;
    std::map<std::string, std::string> _help;
    std::set<std::string> _sampled;
};

} // namespace TestSupport

#endif // LoRaWANServer_PrometheusText_INCLUDED
