#include "rpc/rpc_server.h"

RpcServer::RpcServer(DatapathManagerInterface& manager) : manager_(manager) {}

RpcServer::~RpcServer()
{
    stop();
    wait();
}

bool RpcServer::start()
{
    return instance_lock_.acquire();
}

bool RpcServer::stop()
{
    stop_ = true;
    return true;
}

bool RpcServer::wait()
{
    instance_lock_.release();
    return true;
}

void RpcServer::broadcast(const NotifyEvent&) {}
