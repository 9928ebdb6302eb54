// Shader conversion lives here.
