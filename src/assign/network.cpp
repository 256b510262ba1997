#include "assign/network.h"

#include <algorithm>
#include <stdexcept>

namespace veltra::assign {

Graph::Graph(int32_t nodeCount, std::vector<int32_t> tails, std::vector<int32_t> heads)
    : nodeCount_(nodeCount), tail_(std::move(tails)), head_(std::move(heads)) {
    if (nodeCount_ < 0 || tail_.size() != head_.size()) throw std::invalid_argument("graph: bad sizes");
    int32_t links = LinkCount();
    outStart_.assign(nodeCount_ + 1, 0);
    inStart_.assign(nodeCount_ + 1, 0);
    for (int32_t a = 0; a < links; ++a) {
        if (tail_[a] < 0 || tail_[a] >= nodeCount_ || head_[a] < 0 || head_[a] >= nodeCount_)
            throw std::invalid_argument("graph: link " + std::to_string(a + 1) + " has a node out of range");
        ++outStart_[tail_[a] + 1];
        ++inStart_[head_[a] + 1];
    }
    for (int32_t n = 0; n < nodeCount_; ++n) {
        outStart_[n + 1] += outStart_[n];
        inStart_[n + 1] += inStart_[n];
    }
    outLinks_.resize(links);
    inLinks_.resize(links);
    std::vector<int32_t> outNext(outStart_.begin(), outStart_.end() - 1);
    std::vector<int32_t> inNext(inStart_.begin(), inStart_.end() - 1);
    for (int32_t a = 0; a < links; ++a) {
        outLinks_[outNext[tail_[a]]++] = a;
        inLinks_[inNext[head_[a]]++] = a;
    }
    outHeads_.resize(links);
    for (int32_t i = 0; i < links; ++i) outHeads_[i] = head_[outLinks_[i]];
}

double Demand::Total() const {
    double total = 0;
    for (double t : Trips) total += t;
    return total;
}

void DemandBuilder::Add(int32_t origin, int32_t destination, double trips) {
    rows_.push_back({origin, destination, trips});
}

Demand DemandBuilder::Build() {
    // Sorted in place, and only when they are not already (a trips file comes sorted): a large
    // matrix is not held twice.
    auto before = [](const Row& a, const Row& b) {
        return a.Origin != b.Origin ? a.Origin < b.Origin : a.Destination < b.Destination;
    };
    if (!std::is_sorted(rows_.begin(), rows_.end(), before)) std::stable_sort(rows_.begin(), rows_.end(), before);
    const std::vector<Row>& rows = rows_;
    Demand demand;
    for (size_t i = 0; i < rows.size();) {
        size_t j = i;
        double trips = 0;
        while (j < rows.size() && rows[j].Origin == rows[i].Origin && rows[j].Destination == rows[i].Destination)
            trips += rows[j++].Trips;
        if (trips > 0 && rows[i].Origin != rows[i].Destination) {
            if (demand.Origins.empty() || demand.Origins.back() != rows[i].Origin) {
                demand.Origins.push_back(rows[i].Origin);
                demand.Start.push_back(static_cast<int32_t>(demand.Destinations.size()));
            }
            demand.Destinations.push_back(rows[i].Destination);
            demand.Trips.push_back(trips);
        }
        i = j;
    }
    demand.Start.push_back(static_cast<int32_t>(demand.Destinations.size()));
    return demand;
}

std::string Network::NodeName(int32_t node) const {
    if (node >= 0 && node < static_cast<int32_t>(NodeNames.size())) return NodeNames[node];
    return std::to_string(node + 1);
}

std::vector<double> ClassFixedCost(const Network& network, const UserClass& userClass) {
    int32_t links = network.Links.LinkCount();
    std::vector<double> fixed(links, 0.0);
    for (int32_t a = 0; a < links; ++a) {
        double toll = a < static_cast<int32_t>(network.Toll.size()) ? network.Toll[a] : 0;
        double length = a < static_cast<int32_t>(network.Length.size()) ? network.Length[a] : 0;
        if (userClass.TollWeight != 0) fixed[a] += userClass.TollWeight * toll;
        if (userClass.DistanceWeight != 0) fixed[a] += userClass.DistanceWeight * length;
    }
    return fixed;
}

} // namespace veltra::assign
