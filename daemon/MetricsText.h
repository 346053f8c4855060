// MetricsText: builds a page in the Prometheus text exposition format.
//
// Families are declared once with their type and help; samples may then be
// added in any order and are printed grouped under their family, in the order
// the families were declared. Label values are escaped as the format wants.
//
//   MetricsText text;
//   text.family("zd_array_degraded", "gauge", "1 while the array is degraded");
//   text.sample("zd_array_degraded", {{"adapter", "0"}, {"array", "1"}}, 1);
//   std::string page = text.render();
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace zdmond {

using MetricLabels = std::vector<std::pair<std::string, std::string>>;

class MetricsText {
public:
    void family(const std::string& name, const std::string& type, const std::string& help);
    // The family must have been declared; a counter's "_total" suffix is part of its name.
    void sample(const std::string& name, const MetricLabels& labels, double value);
    std::string render() const;
    // Appends another page's families after this one's.
    void append(const MetricsText& other);

private:
    struct Family {
        std::string name, type, help;
        std::vector<std::string> samples;
    };
    std::vector<Family> m_families;
    std::map<std::string, size_t> m_index;
};

}  // namespace zdmond
