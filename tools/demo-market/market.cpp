// Placeholder translation unit until the market's server lands.
namespace kestrune::demo {}
