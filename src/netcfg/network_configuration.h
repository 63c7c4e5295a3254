#pragma once

namespace kvt {

// The network configuration the connection subsystem asks for: the program's own route list
// is added to the system's route table when a connect starts and removed when the connection
// ends or the program closes. Callers keep the flag RoutesAdded and swallow any exception.
class NetworkConfiguration {
public:
    virtual ~NetworkConfiguration() = default;

    // Adds every used entry of the route list to the system route table.
    virtual void addrouterlist() = 0;
    // Removes from the system route table every route to a destination of the route list.
    virtual void delrouterlist() = 0;
};

// Changes nothing: the stand-in until the route management exists.
class InactiveNetworkConfiguration final : public NetworkConfiguration {
public:
    void addrouterlist() override;
    void delrouterlist() override;
};

} // namespace kvt
