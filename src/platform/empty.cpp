// Placeholder so that an area library without sources still builds.
