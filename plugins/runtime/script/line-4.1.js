// Spine 4.1: sequences are applied inside computeWorldVertices; the clipper is the packed one.
import * as spine from "spine-core-4.1";
import { spine4Adapter } from "./adapter4.js";
import { packedClipper } from "./clippers.js";
import { createRuntime } from "./glue.js";

const adapter = spine4Adapter(spine);
adapter.newClipper = () => packedClipper(new spine.SkeletonClipping(), new spine.Color(1, 1, 1, 1), new spine.Color(0, 0, 0, 0));

export const runtime = createRuntime(adapter);
