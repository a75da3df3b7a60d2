# The foreground sampler (plain C++).
target_sources(vh_monitor PRIVATE Sampler.cpp)
