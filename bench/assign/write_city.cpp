// Writes the generated city as TNTP files, to run other solvers on the same network:
//   bench_assign_city BASE [LOCAL_STREET_SHARE]  ->  BASE_net.tntp, BASE_trips.tntp, BASE_node.tntp
#include "support/city/city_network.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: bench_assign_city BASE [LOCAL_STREET_SHARE]\n");
        return 1;
    }
    try {
        veltra::assign::bench::CityShape shape;
        if (argc == 3) shape.LocalStreets = std::atof(argv[2]);
        veltra::assign::bench::City city = veltra::assign::bench::GenerateCity(shape);
        veltra::assign::bench::WriteCityTntp(city, shape.Zones, argv[1]);
        const veltra::assign::Network& net = city.Net;
        std::printf("%d nodes, %d links, %d zones, %d OD pairs, %.1f trips\n", net.Links.NodeCount(), net.Links.LinkCount(),
                    shape.Zones, static_cast<int>(net.Classes[0].Trips.Trips.size()), net.Classes[0].Trips.Total());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_assign_city: %s\n", e.what());
        return 1;
    }
    return 0;
}
